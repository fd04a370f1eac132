#include "engine/errors.h"

#include <atomic>
#include <cstring>

#include "engine/midilib.h"

namespace kv::engine {

namespace {

const char* const kTexts[kMidiLibLastError + 1] = {
    "No Error",
    "MIDI Library has already been configured",
    "MIDI Library has not been configured",
    "Another program is using the MIDI devices",
    "MIDI Devices have not been opened",
    "This program does not have the MIDI device",
    "UART mode is incompatible with playback",
    "Not Used",
    "Cannot stop when library is not running",
    "Not Used",
    "Invalid request to MIDI device",
    "MIDI Device is already playing or recording",
    "Already set up for recording",
    "Memory error occured",
    "Maximum number of tracks reached",
    "Not Used",
    "Too many timers running",
    "Too much MIDI data to be sent at the same time",
    "Track played contains illegal MIDI data",
    "MIDI device mapping error - reconfigure the MIDI devices",
    "MIDI system error - Retry the operation",
    "The operation requires an input device.  Reconfigure.",
    "System Exclusive message is too long for buffers",
    "Not Used",
    "Requested service not available for this device",
    "Only some of the requested patches were loaded",
    "Posting a message failed - information has been lost",
    "Cannot send message - no window is available",
    "Lost SMPTE lock - signal has disappeared",
    "Waiting to gain SMPTE lock",
    "A media control error has occurred",
    "One of the required files is missing.  Please reinstall.",
    "Invalid MIDI data was received and ignored.",
    "The last task to use the MIDI system crashed without shutting down.",
    "The requested port is for synchronization only.",
    "The MIDI device can't be opened more than once.",
    "The driver requested is not installed or not working.",
};

// Relaxed is enough: the code is one value with no data published beside it.
std::atomic<int32_t> g_lastError{0};

}  // namespace

const char* ErrorText(int32_t code)
{
    if (code < 0 || code > kMidiLibLastError)
        return "";
    return kTexts[code];
}

void CopyText(const char* text, char* buffer, int32_t length, int32_t maxChars)
{
    if (buffer == nullptr || length <= 0)
        return;
    size_t limit = static_cast<size_t>(length) - 1;
    if (maxChars >= 0 && limit > static_cast<size_t>(maxChars))
        limit = maxChars;
    size_t n = text ? strnlen(text, limit) : 0;
    if (n > 0)
        memcpy(buffer, text, n);
    buffer[n] = '\0';
}

void SetError(int32_t code)
{
    g_lastError.store(code, std::memory_order_relaxed);
}
int32_t PeekError()
{
    return g_lastError.load(std::memory_order_relaxed);
}
int32_t TakeError()
{
    return g_lastError.exchange(0, std::memory_order_relaxed);
}

}  // namespace kv::engine
