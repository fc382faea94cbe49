#include "windowprogram.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zel {
namespace {

constexpr const char* kWindowProgram =
#ifdef _WIN32
    "zel-fm-monitor-window.exe";
#else
    "zel-fm-monitor-window";
#endif

std::filesystem::path runningProgram(const char* argv0)
{
    std::error_code error;
#ifdef _WIN32
    (void)argv0;
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return std::filesystem::path(std::wstring(buffer, n));
#else
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return self;
#endif
    return std::filesystem::absolute(argv0 ? argv0 : "", error);
}

} // namespace

std::vector<std::string> windowProgramCandidates(const std::string& programFolder)
{
    const std::filesystem::path folder(programFolder);
    return {(folder / kWindowProgram).string(),
            (folder / ".." / "libexec" / "zel-fm-monitor" / kWindowProgram)
                .lexically_normal()
                .string()};
}

int runWindowProgram(char** argv)
{
    const auto candidates = windowProgramCandidates(runningProgram(argv[0]).parent_path().string());
    std::string tried;
    for (const std::string& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
#ifdef _WIN32
        const intptr_t status = _spawnv(_P_WAIT, path.c_str(), argv);
        if (status >= 0)
            return int(status);
#else
        ::execv(path.c_str(), argv);
#endif
        std::fprintf(stderr, "zel-fm-monitor: cannot start the window program %s: %s\n",
                     path.c_str(), std::strerror(errno));
        return 1;
    }
    for (const std::string& path : candidates)
        tried += (tried.empty() ? "" : ", ") + path;
    std::fprintf(stderr,
                 "zel-fm-monitor: the window program is missing (looked for %s); "
                 "--headless runs the monitor without it\n",
                 tried.c_str());
    return 1;
}

} // namespace zel
