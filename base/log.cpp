#include "base/log.h"

#include <cstdarg>
#include <string>

#include "base/clock.h"
#include "base/files.h"

namespace nv {

void LogStream::open(std::u16string_view path) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!file_)
        file_ = open_file(path, "ab");
}

void LogStream::close() {
    std::lock_guard<std::mutex> lock(mu_);
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

void LogStream::line(const char* format, ...) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!file_)
        return;
    LocalTime t = local_now();
    std::fprintf(file_, "[%02d:%02d:%02d] ", t.hour, t.minute, t.second);
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
    std::fputc('\n', file_);
    std::fflush(file_);
}

LogStream& app_log() {
    static LogStream log;
    return log;
}

LogStream& print_log() {
    static LogStream log;
    return log;
}

}  // namespace nv
