// app.log: one line per event, "[hh:mm:ss] message", UTF-8, appended and flushed at once.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

namespace nv {

class LogStream {
public:
    // Opens `path` for appending; when that fails, logging stays off for the run.
    void open(std::u16string_view path);
    void close();
    bool is_open() const { return file_ != nullptr; }
    // printf-style; text arguments must already be UTF-8. One lock per line, so lines of
    // different threads never interleave.
    void line(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

private:
    std::FILE* file_ = nullptr;
    std::mutex mu_;
};

// The application stream and the printing code's own stream, both on app.log.
LogStream& app_log();
LogStream& print_log();

}  // namespace nv
