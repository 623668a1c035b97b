# Everything starts here; each target installs what is missing first.
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
WITH_DISPLAY := scripts/with-display

# The one version, read from project() in CMakeLists.txt.
VERSION := $(shell sed -n 's/^project.Flindra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
ifeq ($(VERSION),)
  $(error no project() line with a VERSION x.y.z in CMakeLists.txt)
endif
# The one home page, set in CMakeLists.txt.
HOME_PAGE := $(shell sed -n 's/^set(FLINDRA_HOME_PAGE "\(.*\)")$$/\1/p' CMakeLists.txt)

.PHONY: all deps deps-win native win scr test test-native test-win test-fuzz test-monitors test-release release pictures run bench fuzz endurance clean

all: native win

deps:
	@scripts/install-deps

# What flindra.scr and its release need, without the Linux, fuzz and web sets.
deps-win:
	@scripts/install-deps core win

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

win: deps-win
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS)

scr: deps-win
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS) --target flindra
	@echo "built build/win/flindra.scr"

test-native: native
	@ctest --preset native -j $(JOBS)

# NOTE: very rarely a Wine process fails to start at all (no output, 0.00 s;
# seen about once in 400 runs here). scripts/wine-test, CTest's emulator,
# starts that one case again and says so; no other failure is retried.
test-win: win
	@tests/scripts/test-wine-test
	@$(WITH_DISPLAY) ctest --preset win

# The fuzz targets, a few seconds each over their committed corpus, with a
# fixed seed so that every run tries the same inputs (make fuzz explores anew).
test-fuzz: deps
	@cmake --preset fuzz -DFLINDRA_FUZZ_SECONDS=5 -DFLINDRA_FUZZ_SEED=1 >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@ctest --preset fuzz -j $(JOBS)

# flindra.scr /s on several monitors (a private Xorg with the dummy driver,
# scripts/with-monitors), checked from X: windows, fade, coverage, frames,
# input on a secondary monitor, cleanup; then /c while the second monitor goes
# off and on ("changing"). MONITOR_LAYOUTS=single for one monitor.
MONITOR_LAYOUTS ?= single side-by-side left above changing
test-monitors: scr
	@scripts/install-deps monitors
	@tests/monitors/saver_on_monitors.py $(MONITOR_LAYOUTS)

# Every test of both builds.
test: test-native test-win test-fuzz test-x11 test-x11-monitors test-wayland test-desks test-monitors test-release test-web

# Release files for Windows users in dist/: the zip, the installer and
# SHA256SUMS, named by the version.
release: deps-win
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS) --target release

# The real installer and uninstaller under Wine, in a prefix of their own
# (build/release-prefix) so the Wine tests' prefix keeps no screen saver set;
# then the release built again, relinked and repacked, byte for byte.
test-release: release
	@cmake --build --preset win -j $(JOBS) --target preview_host setting_change_probe installer_pilot \
	  pending_renames_test
	@WINEPREFIX=$(CURDIR)/build/release-prefix $(WITH_DISPLAY) tests/release/test-installer $(VERSION) $(HOME_PAGE) dist build/win
	@tests/release/rebuild-same win $(VERSION)

# The README's pictures in docs/, made by flindra.scr under Wine (run by hand,
# results committed).
pictures: scr
	@scripts/make-pictures build/win/flindra.scr docs

# Benchmarks: the native frame and model beside their references, then the
# whole-process figures under Wine, on one monitor and on two.
bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target flindra_bench
	@build/bench/bench/flindra_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
	  --benchmark_min_time=0.5 --benchmark_enable_random_interleaving=true --benchmark_color=false
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS) --target flindra wgl_reference bench_launcher
	@$(WITH_DISPLAY) bench/wine/figures build/win
	@bench/wine/monitors build/win
	@$(MAKE) bench-linux WINE_FULLSCREEN_SHARE=build/win/fullscreen-share.txt

# Long runs: the model stepped through 10 million frames (no sanitizers), then
# the preview under Wine for 10 minutes (FLINDRA_SOAK_SECONDS).
endurance: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target core_tests
	@FLINDRA_ENDURANCE_FRAMES=10000000 build/bench/core_tests --gtest_filter='Endurance.*'
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j $(JOBS) --target flindra bench_launcher
	@$(WITH_DISPLAY) bench/wine/soak build/win

# A longer fuzzing run: FUZZ_SECONDS per target (default 300).
FUZZ_SECONDS ?= 300
fuzz: deps
	@cmake --preset fuzz -DFLINDRA_FUZZ_SECONDS=$(FUZZ_SECONDS) -DFLINDRA_FUZZ_SEED=0 >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@ctest --preset fuzz -j $(JOBS)

# The full-screen saver under Wine: on $$DISPLAY when there is one, else on a
# private virtual display with a screenshot saved to build/screenshot.png.
run: scr
	@scripts/run-saver $(ARGS)

clean:
	rm -rf build

# ---- flindra for X11 (Linux) ---------------------------------------------------
# These install only what the Linux program and its tests need
# (scripts/install-deps linux linux-test), never Wine, MinGW or clang.
.PHONY: deps-linux linux test-x11 test-x11-monitors test-wayland test-desks test-package run-linux deb bench-linux \
  pictures-linux pictures-desks pictures-settings

deps-linux:
	@scripts/install-deps linux settings

# The optimised build: the programs, the config file and the manual pages.
linux: deps-linux
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j $(JOBS) --target flindra flindra-add-to-xscreensaver flindra_config_files \
	  flindra_changelog flindra-wayland flindra_wayland_manual flindra-settings flindra_settings_files

# The real program on a private Xvfb with Mesa's GLX and under the real
# XScreenSaver daemon (label x11, sanitizer build), then the package.
test-x11: deb
	@scripts/install-deps linux linux-test
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS) --target x11_tests flindra print_config
	@scripts/with-xvfb ctest --preset x11
	@$(MAKE) test-package

# The package: lintian, apt-get install, and a new user's way from
# flindra-add-to-xscreensaver to Flindra on the screen.
test-package: deb
	@scripts/install-deps linux linux-test
	@tests/x11/package_test dist/flindra_$(VERSION)_amd64.deb build/screenshot-package.png
	@tests/release/rebuild-same deb $(VERSION)

# flindra-wayland (sanitizer build) on a private headless sway run as an
# unprivileged user (scripts/with-sway): outputs, fade, input, the idle
# daemon; flindra-settings there too, on a session bus of its own; then the
# package's flindra-wayland started by swayidle.
test-wayland: deb
	@scripts/install-deps linux linux-test settings
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS) --target flindra-wayland virtual_pointer flindra native_frame test_compositor \
	  gnome_stand_in desk_backdrop flindra-settings systemd_stand_in
	@ctest --preset wayland
	@tests/wayland/package_test dist/flindra_$(VERSION)_amd64.deb

# flindra-wayland (sanitizer build) on the desks' own compositors, headless
# Mutter, gnome-shell and KWin with two monitors each (scripts/with-desk),
# Debian 12's and Debian 13's (made once by scripts/debian13-tree), and
# Debian 13's sway, labwc and Weston; the versions proved at the end:
# coverage, what ends it, -idle and an idle inhibitor; flindra-settings'
# preview in each desk's window frame (label desks).
DESK_TARGETS := flindra-wayland gnome_remote kwin_remote desk_backdrop flindra-settings native_frame virtual_pointer output_copy
test-desks:
	@scripts/install-deps linux linux-test desks settings
	@for tree in sway gnome kde; do scripts/debian13-tree $$tree >/dev/null; done
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS) --target $(DESK_TARGETS)
	@ctest --preset desks
	@sed -n 's/^with-[a-z]*: /proved on /p' build/native/Testing/Temporary/LastTest.log | sort -u

# The README's picture of flindra-wayland on GNOME's two monitors (Mutter's
# 1280 x 720 and 1024 x 768 side by side), made by the desk test on the way
# (run by hand, the result committed).
pictures-desks:
	@scripts/install-deps linux linux-test desks settings
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS) --target $(DESK_TARGETS)
	@FLINDRA_CASES=every_monitor_covered_then_a_key scripts/with-desk mutter python3 tests/desks/desk_test.py \
	  $(addprefix build/native/,$(DESK_TARGETS)) build/native/desk-shots
	@convert build/native/desk-shots/mutter/Meta-0-faded.ppm build/native/desk-shots/mutter/Meta-1-faded.ppm \
	  -background black +append docs/gnome.png

# flindra -root on a bare root spanning several monitors (scripts/with-monitors).
test-x11-monitors: linux
	@scripts/install-deps linux linux-test monitors win
	@scripts/with-monitors side-by-side tests/x11/root_on_monitors.py build/linux/flindra

# The windowed saver: on $$DISPLAY when there is one, else on a private Xvfb
# with a screenshot saved to build/screenshot-linux.png.
run-linux: linux
	@scripts/run-linux $(ARGS)

# The Debian package: dist/flindra_VERSION_amd64.deb, every time in it the
# last commit's (SOURCE_DATE_EPOCH), so that a rebuild gives the same bytes.
deb: linux
	@cd build/linux && SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git log -1 --format=%ct)} cpack -G DEB >/dev/null
	@ls dist/flindra_$(VERSION)_amd64.deb

# The README's pictures of the Linux settings screens, made by the package
# test on the way (run by hand, results committed): xscreensaver-settings
# with Flindra picked (docs/linux-list.png) and Flindra's own settings
# (docs/linux-settings.png).
pictures-linux: deb
	@scripts/install-deps linux linux-test
	@FLINDRA_PICTURES=$(CURDIR)/docs tests/x11/package_test dist/flindra_$(VERSION)_amd64.deb build/screenshot-package.png

# The settings window's picture for its AppStream metainfo and the README,
# docs/settings-window.png, as its test on headless sway leaves it (run by
# hand; commit the result).
pictures-settings: test-wayland
	@cp build/native/settings-shots/settings-window.png docs/settings-window.png

# The X11 program's whole-process figures on a 1920 x 1080 Xvfb, beside a bare
# GLX program's; make bench also sets WINE_FULLSCREEN_SHARE, the share of a
# core flindra.scr /s took under Wine in the same run. Then flindra-wayland
# on headless sway beside flindra -root on Xvfb, both 1280 x 720; last the
# settings window's preview beside flindra-wayland at the same pixel count.
WINE_FULLSCREEN_SHARE ?=
bench-linux: linux
	@cmake --build --preset linux -j $(JOBS) --target glx_reference wayland_clear
	@FLINDRA_SCREEN=1920x1080x24 scripts/with-xvfb bench/linux/figures build/linux/flindra build/linux/glx_reference \
	  $(WINE_FULLSCREEN_SHARE)
	@scripts/install-deps linux linux-test
	@FLINDRA_SCREEN=1280x720x24 scripts/with-xvfb scripts/with-sway bench/linux/wayland_figures build/linux/flindra \
	  build/linux/flindra-wayland build/linux/wayland_clear
	@scripts/install-deps settings
	@scripts/with-sway dbus-run-session -- bench/linux/settings_figures build/linux/flindra-settings \
	  build/linux/flindra-wayland

# ---- Flindra in a browser ------------------------------------------------------
.PHONY: web run-web test-web bench-web web-deps site

# Debian's emscripten finds acorn there under a Node from elsewhere.
WEB_ENV := NODE_PATH=/usr/share/nodejs

# emscripten and Chromium, and the browser driver from the lockfile (no
# browser download: the tests use Debian's Chromium).
web-deps:
	@scripts/install-deps core web
	@tests/web/install-node-packages

# dist/web/: the page, flindra.js and flindra.wasm, the manifest, its icons
# and the service worker.
web: web-deps
	@$(WEB_ENV) cmake --preset web >/dev/null
	@$(WEB_ENV) cmake --build --preset web -j $(JOBS)

# Serves dist/web on 127.0.0.1 and says where; without a display, a
# screenshot in headless Chromium instead (build/screenshot-web.png).
run-web: web
	@node tests/web/run_web.mjs dist/web build/screenshot-web.png

# The project's site in dist/site/: the page, the release files, the Debian
# package, SHA256SUMS of all three and the pictures (scripts/make-site).
site: web release deb
	@scripts/make-site $(VERSION) dist/web build/web/site/index.html dist docs dist/site

# The page in Debian's headless Chromium, its frame beside the native core's
# (OSMesa, tests/web/native_frame, from the native build: hence deps), and
# make site's folder served.
test-web: deps site
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS) --target native_frame
	@FLINDRA_NATIVE_FRAME=build/native/native_frame node --test tests/web/page.test.mjs tests/web/site.test.mjs

# Frames a second at 1280 x 720 over 10 s in headless Chromium, software WebGL.
bench-web: web
	@node bench/web/frame_rate.mjs dist/web
