#include "alsa_messages.h"

#include <cstdarg>
#include <cstdio>

// The header leaves its last declarations, the thread's own error handler,
// outside its C block.
extern "C" {
#include <alsa/error.h>
}

namespace platform {

namespace {

// The holder whose lines this thread's ALSA calls add to.
thread_local HeldAlsaMessages* t_holder = nullptr;

}  // namespace

HeldAlsaMessages::HeldAlsaMessages()
    : m_previousHandler(snd_lib_error_set_local(&keep)) {
    t_holder = this;
}

HeldAlsaMessages::~HeldAlsaMessages() {
    t_holder = nullptr;
    snd_lib_error_set_local(m_previousHandler);
    writeOut();
}

void HeldAlsaMessages::writeOut() {
    std::fputs(m_lines.c_str(), stderr);
    m_lines.clear();
}

// The same line ALSA's default handler writes.
void HeldAlsaMessages::keep(const char* file, int line, const char* function, int error,
                            const char* format, va_list arguments) {
    if (!t_holder) return;
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, arguments);
    char whole[1400];
    std::snprintf(whole, sizeof(whole), "ALSA lib %s:%i:(%s) %s%s%s\n", file, line, function, text,
                  error ? ": " : "", error ? snd_strerror(error) : "");
    t_holder->m_lines += whole;
}

}  // namespace platform
