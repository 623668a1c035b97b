#include "win32/monitors.h"

std::vector<RECT> SaverWindowRects() {
  return {RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}};
}
