#include "dlog.h"
#include "dlog_hook.h"
#include "watch_device.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

constexpr size_t kMaxMessage = 4000;

// Never destroyed: objects released at process exit may still log.
std::mutex& gMutex = *new std::mutex;
dlog_hook_cb gHook = nullptr;
void* gHookData = nullptr;
std::string& gLogPath = *new std::string;
int gLogFd = -1;

// The log file of the current device root; reopened when WATCH_ROOT changes.
int LogFd() {
    std::string dir = watch::LogDir();
    std::string path = dir + "/watch.log";
    if (gLogFd >= 0 && path == gLogPath)
        return gLogFd;
    if (gLogFd >= 0)
        close(gLogFd);
    gLogPath = path;
    watch::MakeDirs(dir);
    gLogFd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    return gLogFd;
}

bool StderrWanted() {
    const char* env = getenv("WATCH_LOG_STDERR");
    return env && *env && strcmp(env, "0") != 0;
}

// Writes all of buf in one call where the kernel allows; retries only the remainder.
void WriteAll(int fd, const char* buf, size_t len) {
    while (len > 0) {
        ssize_t n = write(fd, buf, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        buf += n;
        len -= static_cast<size_t>(n);
    }
}

} // namespace

extern "C" {

char dlog_priority_letter(int prio) {
    switch (prio) {
    case DLOG_VERBOSE:
        return 'V';
    case DLOG_DEFAULT:
    case DLOG_DEBUG:
        return 'D';
    case DLOG_INFO:
        return 'I';
    case DLOG_WARN:
        return 'W';
    case DLOG_ERROR:
        return 'E';
    case DLOG_FATAL:
        return 'F';
    default:
        return '?';
    }
}

void dlog_set_hook(dlog_hook_cb hook, void* user_data) {
    std::lock_guard<std::mutex> lock(gMutex);
    gHook = hook;
    gHookData = user_data;
}

int __dlog_vprint(log_id_t log_id, int prio, const char* tag, const char* fmt, va_list ap) {
    if (log_id <= LOG_ID_INVALID || log_id >= LOG_ID_MAX || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;
    if (prio <= DLOG_UNKNOWN || prio >= DLOG_SILENT)
        return DLOG_ERROR_INVALID_PARAMETER;
    if (!tag)
        tag = "";

    char msg[kMaxMessage];
    int n = vsnprintf(msg, sizeof(msg), fmt, ap);
    if (n < 0)
        return DLOG_ERROR_INVALID_PARAMETER;
    // One record per line: embedded line breaks are written as "\n".
    std::string body;
    body.reserve(strlen(msg));
    for (const char* p = msg; *p; ++p) {
        if (*p == '\n')
            body += "\\n";
        else if (*p != '\r')
            body += *p;
    }

    dlog_hook_cb hook;
    void* hookData;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        hook = gHook;
        hookData = gHookData;
    }
    if (hook)
        hook(log_id, prio, tag, msg, hookData);

    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tm;
    localtime_r(&tv.tv_sec, &tm);
    char stamp[64];
    strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &tm);
    char head[160];
    snprintf(head, sizeof(head), "%s.%03ld %6d %6ld %c %s: ", stamp,
             static_cast<long>(tv.tv_usec / 1000), static_cast<int>(getpid()),
             static_cast<long>(syscall(SYS_gettid)), dlog_priority_letter(prio), tag);
    std::string line = std::string(head) + body + "\n";

    {
        std::lock_guard<std::mutex> lock(gMutex);
        int fd = LogFd();
        if (fd >= 0)
            WriteAll(fd, line.data(), line.size());
    }
    if (StderrWanted())
        WriteAll(STDERR_FILENO, line.data(), line.size());
    return n;
}

int __dlog_print(log_id_t log_id, int prio, const char* tag, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int ret = __dlog_vprint(log_id, prio, tag, fmt, ap);
    va_end(ap);
    return ret;
}

} // extern "C"
