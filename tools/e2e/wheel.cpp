// Turns the mouse wheel where the pointer is, one notch at a time, down and up in turn, and prints
// when each notch was sent: "<Unix seconds with six decimals> <wheel delta>" per line. Sent
// inside Wine, so the time is taken right before the event on the clock the DDC/CI simulator
// stamps its writes with.
//   wheel COUNT [PAUSE_MS=500]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double UnixSecondsNow() {
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ull) / 1e7;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  const int count = _wtoi(argv[1]);
  const DWORD pause = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 500;
  for (int i = 0; i < count; ++i) {
    const int delta = i % 2 == 0 ? -WHEEL_DELTA : WHEEL_DELTA;
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    const double sent = UnixSecondsNow();
    if (::SendInput(1, &input, sizeof input) != 1) return 1;
    std::printf("%.6f %d\n", sent, delta);
    std::fflush(stdout);
    ::Sleep(pause);
  }
  return 0;
}
