#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32ProcessServices.h"
#include "platform/win32/Win32SystemErrors.h"

namespace lumivane::win32 {
namespace {

// A copy of this executable started by the launch test reports its command line and working
// directory into the file the test names, and ends before any test runs.
[[maybe_unused]] const bool launchProbe = [] {
  wchar_t file[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"LUMIVANE_LAUNCH_PROBE", file, MAX_PATH)) return false;
  wchar_t cwd[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, cwd);
  std::wstring report = std::wstring(::GetCommandLineW()) + L"\n" + cwd;
  HANDLE out = ::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    UniqueHandle owned(out);
    DWORD written = 0;
    ::WriteFile(out, report.data(), static_cast<DWORD>(report.size() * sizeof(wchar_t)), &written, nullptr);
  }
  ::ExitProcess(0);
  return true;
}();

// A mutex name of its own per test, so that tests do not see each other's mutexes.
std::u16string UniqueName(const char* test) {
  std::string s = "LumivaneTest-" + std::to_string(::GetCurrentProcessId()) + "-" + test;
  return std::u16string(s.begin(), s.end());
}

UniqueHandle OpenGlobal(const std::u16string& name) {
  return UniqueHandle(::OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, (L"Global\\" + ToWide(name)).c_str()));
}

TEST(Win32ProcessServices, AProbeLeavesNoMutexBehind) {
  Win32ProcessServices services;
  auto name = UniqueName("probe");
  EXPECT_TRUE(services.CheckSingleInstance(name, false));
  EXPECT_FALSE(OpenGlobal(name));
  EXPECT_TRUE(services.CheckSingleInstance(name, false));
}

TEST(Win32ProcessServices, AKeptMutexMakesEveryLaterCallFail) {
  auto name = UniqueName("keep");
  {
    Win32ProcessServices services;
    EXPECT_TRUE(services.CheckSingleInstance(name, true));
    EXPECT_FALSE(services.CheckSingleInstance(name, false));
    EXPECT_FALSE(services.CheckSingleInstance(name, true));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    Win32ProcessServices other; // as a second copy of the program would
    EXPECT_FALSE(other.CheckSingleInstance(name, false));
    EXPECT_TRUE(OpenGlobal(name));
  }
  // The kept handle goes with its owner, as it goes with the process.
  Win32ProcessServices later;
  EXPECT_TRUE(later.CheckSingleInstance(name, false));
}

TEST(Win32ProcessServices, TheMutexIsGlobalAndOpenToEveryone) {
  Win32ProcessServices services;
  auto name = UniqueName("global");
  ASSERT_TRUE(services.CheckSingleInstance(name, true));
  UniqueHandle opened = OpenGlobal(name);
  ASSERT_TRUE(opened);
  PACL dacl = reinterpret_cast<PACL>(1);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD rc = ::GetSecurityInfo(opened.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               &dacl, nullptr, &descriptor);
  ASSERT_EQ(rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(dacl, nullptr); // a null DACL grants all access
  ::LocalFree(descriptor);
  DWORD flags = 0;
  ASSERT_TRUE(::GetHandleInformation(opened.get(), &flags));
  EXPECT_FALSE(flags & HANDLE_FLAG_INHERIT);
}

TEST(Win32ProcessServices, AMissingFontResourceGivesTheInvalidHandle) {
  Win32ProcessServices services;
  EXPECT_EQ(services.InstallEmbeddedFont(1), IProcessServices::kInvalidFont); // not in this exe
  EXPECT_EQ(services.InstallEmbeddedFont(4711), IProcessServices::kInvalidFont);
  services.RemoveFont(IProcessServices::kInvalidFont); // skipped, no crash
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"lumivane.exe";
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceAvailable(const wchar_t* face) {
  WindowDc dc(nullptr);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  ::EnumFontFamiliesExW(dc.get(), &lf, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

TEST(Win32ProcessServices, InstallsTheProgramsIconFontForThisProcess) {
  UniqueHmodule program(::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!program) GTEST_SKIP() << "lumivane.exe is not built next to the tests";
  const wchar_t* face = L"Font Awesome 5 Free Solid";
  ASSERT_FALSE(FaceAvailable(face));
  Win32ProcessServices services(program.get());
  uintptr_t font = services.InstallEmbeddedFont(kIconFontResourceId);
  ASSERT_NE(font, IProcessServices::kInvalidFont);
  EXPECT_TRUE(FaceAvailable(face));
  services.RemoveFont(font);
  // Wine 8 keeps listing a removed memory font; Windows does not.
  bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (!wine) {
    EXPECT_FALSE(FaceAvailable(face));
  }
}

TEST(Win32ProcessServices, TheExecutablePathAndItsFolder) {
  std::u16string path = Win32ProcessServices().ExecutablePath();
  const std::u16string name = u"\\lumivane_win32_tests.exe";
  ASSERT_GT(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
  struct Case {
    std::u16string path, folder;
  };
  const Case cases[] = {{u"C:\\Tools\\Lumivane\\lumivane.exe", u"C:\\Tools\\Lumivane"},
                        {u"C:\\Tools\\\\lumivane.exe", u"C:\\Tools"},
                        {u"Z:/work/build/lumivane.exe", u"Z:/work/build"},
                        {u"lumivane.exe", u""}};
  for (const auto& c : cases)
    EXPECT_EQ(Win32ProcessServices::FolderOf(c.path), c.folder);
}

TEST(Win32ProcessServices, LaunchStartsTheQuotedPathInItsFolder) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring probe =
      std::wstring(temp) + L"lumivane-launch-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
  ::DeleteFileW(probe.c_str());
  std::u16string path = Win32ProcessServices().ExecutablePath();
  std::u16string folder = Win32ProcessServices::FolderOf(path);
  ::SetEnvironmentVariableW(L"LUMIVANE_LAUNCH_PROBE", probe.c_str());
  bool started = Win32ProcessServices().LaunchInstance(path, folder);
  ::SetEnvironmentVariableW(L"LUMIVANE_LAUNCH_PROBE", nullptr);
  ASSERT_TRUE(started);
  std::wstring report;
  for (int i = 0; i < 200 && report.empty(); ++i) {
    ::Sleep(50);
    HANDLE in =
        ::CreateFileW(probe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) continue;
    UniqueHandle file(in);
    wchar_t buf[2048] = {};
    DWORD read = 0;
    ::ReadFile(file.get(), buf, sizeof buf - sizeof(wchar_t), &read, nullptr);
    report.assign(buf, read / sizeof(wchar_t));
  }
  ::DeleteFileW(probe.c_str());
  ASSERT_FALSE(report.empty()) << "the new process did not report";
  size_t cut = report.find(L'\n');
  ASSERT_NE(cut, std::wstring::npos);
  EXPECT_EQ(report.substr(0, cut), L"\"" + ToWide(path) + L"\" ");
  std::wstring cwd = report.substr(cut + 1);
  while (!cwd.empty() && cwd.back() == L'\\')
    cwd.pop_back();
  EXPECT_EQ(::CompareStringOrdinal(cwd.c_str(), -1, ToWide(folder).c_str(), -1, TRUE), CSTR_EQUAL)
      << cwd.c_str();
}

TEST(Win32ProcessServices, LaunchRefusesWhatCannotStart) {
  std::u16string path = Win32ProcessServices().ExecutablePath();
  std::u16string folder = Win32ProcessServices::FolderOf(path);
  EXPECT_FALSE(Win32ProcessServices().LaunchInstance(u"", folder));
  EXPECT_FALSE(Win32ProcessServices().LaunchInstance(path, u""));
  EXPECT_FALSE(Win32ProcessServices().LaunchInstance(path, folder + u"\\no-such-folder"));
  EXPECT_FALSE(Win32ProcessServices().LaunchInstance(path, path)); // a file, not a folder
  EXPECT_FALSE(Win32ProcessServices().LaunchInstance(folder + u"\\no-such-program.exe", folder));
}

// One string of the version resource's first language, or empty when there is none.
std::wstring VersionString(const std::wstring& file, const wchar_t* name) {
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return {};
  void* found = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) || length < 4)
    return {};
  const WORD* translation = static_cast<const WORD*>(found);
  wchar_t query[64];
  swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
  if (!::VerQueryValueW(block.data(), query, &found, &length) || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(found));
}

TEST(Win32ProcessServices, TheProgramsVersionIsReadFromItsResource) {
  const std::wstring program = ProgramPath();
  ASSERT_NE(::GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES) << "lumivane.exe is not built";
  Win32ProcessServices services;
  auto version = services.FileVersion(FromWide(program));
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(*version, (std::array<uint16_t, 4>{1, 6, 7, 0}));
  EXPECT_EQ(VersionString(program, L"FileVersion"), L"1.6.7.0");
  EXPECT_EQ(VersionString(program, L"ProductVersion"), L"1.6.7.0");
  EXPECT_EQ(VersionString(program, L"FileDescription"), L"Lumivane");
  EXPECT_EQ(VersionString(program, L"ProductName"), L"Lumivane");

  // These tests carry no version resource; a text file and a missing file have none either.
  EXPECT_FALSE(services.FileVersion(services.ExecutablePath()).has_value());
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring text =
      std::wstring(temp) + L"lumivane-version-" + std::to_wstring(::GetCurrentProcessId());
  {
    UniqueHandle file(::CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file.get(), "MZ not a program", 16, &written, nullptr);
  }
  EXPECT_FALSE(services.FileVersion(FromWide(text)).has_value());
  ::DeleteFileW(text.c_str());
  EXPECT_FALSE(services.FileVersion(FromWide(text)).has_value());
  EXPECT_FALSE(services.FileVersion(u"").has_value());
}

// A window of this process, shown and destroyed with the object.
class OwnWindow {
 public:
  OwnWindow()
      : window_(::CreateWindowExW(0, L"STATIC", L"Lumivane foreground test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  100, 100, 300, 200, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                  nullptr)) {}
  ~OwnWindow() {
    if (window_) ::DestroyWindow(window_);
  }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST(Win32ProcessServices, TheForegroundProgramIsTheFileNameOfItsExecutable) {
  OwnWindow window;
  ASSERT_TRUE(window.get());
  ::SetForegroundWindow(window.get());
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == window.get(); }, 5000))
      << "the test window did not come to the front";
  auto name = Win32ProcessServices().ForegroundProgramName();
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(*name, u"lumivane_win32_tests.exe");
}

TEST(Win32SystemErrors, LastErrorAndItsTextWithoutTheLineBreak) {
  Win32SystemErrors errors;
  ::SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(errors.LastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  for (uint32_t code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_CALL_NOT_IMPLEMENTED}) {
    std::u16string text = errors.MessageText(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), u'\n');
    EXPECT_NE(text.back(), u'\r');
    EXPECT_NE(text.back(), u' ');
  }
  EXPECT_TRUE(errors.MessageText(0x2FFFFFFFu).empty());
}

} // namespace
} // namespace lumivane::win32
