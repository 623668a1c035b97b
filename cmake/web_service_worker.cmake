# Writes WEB_DIR/sw.js from TEMPLATE with a cache name made of VERSION and a
# digest of every file the worker keeps (and the site's page), so a browser
# swaps its offline copy exactly when one of them changed.
set(digests "")
foreach(file index.html page.js page.css flindra.js flindra.wasm manifest.webmanifest icon-192.png icon-512.png)
  file(SHA256 ${WEB_DIR}/${file} digest)
  string(APPEND digests "${digest}\n")
endforeach()
file(SHA256 ${SITE_INDEX} digest)
string(APPEND digests "${digest}\n")
string(SHA256 digest "${digests}")
string(SUBSTRING "${digest}" 0 16 digest)
set(FLINDRA_CACHE "flindra-${VERSION}-${digest}")
configure_file(${TEMPLATE} ${WEB_DIR}/sw.js @ONLY)
