// Text for the HTML session report.
#pragma once

#include <string>
#include <string_view>

namespace html {

// The text with & < > " ' written as character references: safe between
// tags and inside a quoted attribute, in HTML and in inline SVG alike.
std::string Escape(std::string_view text);

// Bytes that came from the modem or from a file, as the page shows them:
// control characters and bytes that are not UTF-8 as the log's escapes
// (\x1b), then escaped for HTML. A reply cannot become markup.
std::string Shown(std::string_view bytes);

}  // namespace html
