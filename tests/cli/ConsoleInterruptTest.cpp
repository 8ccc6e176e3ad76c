// Ctrl+C in a Windows console reaches quobin-cli.exe through its console control handler
// and ends a flash run through the normal path, exit status 130 with the interrupted
// result: a wrapper script must never read success after an interrupt.
//
// The event goes to every program on the console, this test included (which ignores it).
// Without a console (a test run with its output in files) the event cannot be sent: the
// test is skipped then, unless QUOBIN_REQUIRE_CONSOLE asks for it (scripts/test-windows
// runs it once more on a console of its own).
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

BOOL WINAPI IgnoreControl(DWORD)
{
    return TRUE;
}

std::wstring Wide(const std::string& text)
{
    return std::filesystem::path(text).wstring();
}

TEST(ConsoleInterrupt, CtrlCDuringProgramExits130WithTheInterruptedResult)
{
    const bool required = std::getenv("QUOBIN_REQUIRE_CONSOLE") != nullptr;
    ASSERT_TRUE(SetConsoleCtrlHandler(IgnoreControl, TRUE));

    support::TempDir dir;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(Wide(dir.Path("out.json")).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring command = L"\"" + Wide(QUOBIN_CLI_PATH) +
                           L"\" --simulate --sim-wire real --sim-state \"" + Wide(dir.Path("state")) +
                           L"\" --trace \"" + Wide(dir.Path("run.trace")) + L"\" program \"" +
                           Wide(QUOBIN_DEMO_SFILE) + L"\" --json";
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(out);
    // The run has begun to write the flash (a whole run traces about 90 KB); each look
    // waits on the program itself, so one that ends early is seen at once.
    std::error_code error;
    while (std::filesystem::file_size(dir.Path("run.trace"), error) < 16 * 1024 || error)
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 10), WAIT_TIMEOUT) << "the run ended first";
    const BOOL sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    if (!sent) {
        TerminateProcess(process.hProcess, 1);
        if (!required) GTEST_SKIP() << "the console took no Ctrl+C (error " << GetLastError() << ")";
        FAIL() << "the console took no Ctrl+C (error " << GetLastError() << ")";
    }
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60'000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 130u) << dir.Read("out.json");
    EXPECT_NE(dir.Read("out.json").find("\"interrupted\":true"), std::string::npos)
        << dir.Read("out.json");
}

} // namespace
