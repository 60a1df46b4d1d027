#pragma once
// The lenient Base64 decoder of the auth payload.
#include <string>

// Decodes length bytes of text (nothing when length <= 0). Characters outside the standard
// alphabet count as 0; a CR or LF where a group would begin is skipped; "=" ends a group only in
// its third or fourth place. A group cut off by the end of the text reads 0 past the end.
std::string DecodeBase64(const char* text, int length);
