#pragma once

#include <cstdint>

namespace kv::engine {

// The text of an error code; an empty string for a code that has none.
const char* ErrorText(int32_t code);

// Copies text into buffer as a zero-terminated string cut to length - 1
// characters (and at most maxChars). Nothing is written when buffer is null
// or length is not positive.
void CopyText(const char* text, char* buffer, int32_t length, int32_t maxChars = 0x7FFFFFFF);

// The last error: a single word written by any thread, cleared only by
// MidiLibGetError.
void SetError(int32_t code);
int32_t PeekError();
int32_t TakeError();

}  // namespace kv::engine
