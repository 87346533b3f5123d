// Text from the log made safe to show on a terminal: what a terminal would act on instead of
// showing is written as a visible escape, so that a line of the log can neither move the cursor,
// clear the screen nor start a line of the report of its own.
#pragma once

#include <string>

namespace logreader {

// utf8 with every C0 control but the line feed, DEL, every C1 control (U+0080 to U+009F) and the
// bidirectional controls (U+202A to U+202E, U+2066 to U+2069) written as escapes: "\x1b" for a
// byte below U+0080, "\u202e" above. Everything else, backslashes included, is kept as it is.
std::string VisibleText(const std::string& utf8);

}  // namespace logreader
