#pragma once

// The library's diagnostic output: every line it prints goes through these,
// to the sink a caller set (hivemend/diagnostics.h) or, by default, to
// standard output (diag_printf, diag_puts, diag_putchar) and standard error
// (diag_eprintf, diag_perror), written as printf would write it.

namespace hivemend {

void diag_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void diag_eprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// `text` and a line end.
void diag_puts(const char* text);
void diag_putchar(char c);
// "what: " and the text of errno, as perror writes it.
void diag_perror(const char* what);

}  // namespace hivemend
