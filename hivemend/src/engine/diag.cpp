#include "engine/diag.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "hivemend/diagnostics.h"

namespace hivemend {

namespace {

std::atomic<HiveDiagnosticSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

// What this thread has written of the line it has not ended yet, by stream.
thread_local std::string t_begun[2];

void emit(int stream, const char* text, size_t len) {
    const HiveDiagnosticSink sink = g_sink.load(std::memory_order_acquire);
    if (!sink) {
        fwrite(text, 1, len, stream == HIVE_DIAG_ERR ? stderr : stdout);
        return;
    }
    std::string& begun = t_begun[stream - 1];
    begun.append(text, len);
    for (size_t end; (end = begun.find('\n')) != std::string::npos;) {
        // Taken out first: the sink may print through the library itself.
        const std::string line = begun.substr(0, end);
        begun.erase(0, end + 1);
        sink(stream, line.c_str(), g_context.load(std::memory_order_acquire));
    }
}

__attribute__((format(printf, 2, 0))) void vemit(int stream, const char* fmt, va_list ap) {
    char buf[1024];
    va_list again;
    va_copy(again, ap);
    const int n = vsnprintf(buf, sizeof buf, fmt, ap);
    if (n >= 0 && static_cast<size_t>(n) < sizeof buf) {
        emit(stream, buf, static_cast<size_t>(n));
    } else if (n >= 0) {
        std::string text(static_cast<size_t>(n), '\0');
        vsnprintf(text.data(), text.size() + 1, fmt, again);
        emit(stream, text.data(), text.size());
    }
    va_end(again);
}

}  // namespace

void diag_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vemit(HIVE_DIAG_OUT, fmt, ap);
    va_end(ap);
}

void diag_eprintf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vemit(HIVE_DIAG_ERR, fmt, ap);
    va_end(ap);
}

void diag_puts(const char* text) {
    emit(HIVE_DIAG_OUT, text, strlen(text));
    emit(HIVE_DIAG_OUT, "\n", 1);
}

void diag_putchar(char c) { emit(HIVE_DIAG_OUT, &c, 1); }

void diag_perror(const char* what) {
    const int err = errno;
    diag_eprintf("%s: %s\n", what, strerror(err));
}

}  // namespace hivemend

void hive_diagnostics(HiveDiagnosticSink sink, void* context) {
    const HiveDiagnosticSink before = hivemend::g_sink.load(std::memory_order_acquire);
    for (int stream : {HIVE_DIAG_OUT, HIVE_DIAG_ERR}) {
        std::string& begun = hivemend::t_begun[stream - 1];
        if (before && !begun.empty()) before(stream, begun.c_str(), hivemend::g_context.load());
        begun.clear();
    }
    hivemend::g_context.store(context, std::memory_order_release);
    hivemend::g_sink.store(sink, std::memory_order_release);
}
