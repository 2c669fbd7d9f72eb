// ALSA's own error lines ("ALSA lib conf.c:...: No such file or directory"),
// kept back on this thread while the audio output opens. On a machine
// without a sound card ALSA writes a page of them that only say there is no
// card; the mixer then decides whether they are worth showing.
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

class HeldAlsaMessages {
public:
    // From now on ALSA's lines from this thread are kept, not written.
    // One at a time on a thread.
    HeldAlsaMessages();
    // ALSA writes its own lines again; what is still kept is written out.
    ~HeldAlsaMessages();
    HeldAlsaMessages(const HeldAlsaMessages&) = delete;
    HeldAlsaMessages& operator=(const HeldAlsaMessages&) = delete;

    // Writes the lines kept so far to stderr, as ALSA would have written them.
    void writeOut();
    void discard() { m_lines.clear(); }

private:
    using LocalHandler = void (*)(const char*, int, const char*, int, const char*, va_list);
    static void keep(const char* file, int line, const char* function, int error, const char* format,
                     va_list arguments);

    std::string m_lines;
    LocalHandler m_previousHandler;
};

}  // namespace platform
