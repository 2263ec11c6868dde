#pragma once
// Names that come from the air (SSIDs, and whatever else an access point in range
// chooses to send) are hostile input: they may hold line breaks that forge log and
// tooltip lines, direction marks that reorder a list's text, and a leading "=" that a
// spreadsheet runs as a formula. These are the one place where such text is made safe,
// each for where it goes; exports that promise the exact bytes use none of them.
#include <string>
#include <string_view>

// For lists, tooltips, details and drawings: every control, line or paragraph
// separator, and direction or other invisible format character becomes U+FFFD, so
// the text stays on its line and in its order. Joiners that scripts and emoji need stay.
std::string AirTextForDisplay(std::string_view utf8);

// For the log: the same characters, and the backslash, written as escapes (\x0d,
// \u202e, \\) so that nothing is lost and no line can be forged.
std::string AirTextForLog(std::string_view utf8);

// For a CSV cell or copied text that a spreadsheet may open: a leading "'" before a
// text that starts with =, +, -, @, a tab or a carriage return (or their full-width
// forms), which the spreadsheet would otherwise take as a formula. A signed number with
// at most a unit after it ("-54 dBm") stays as it is: it cannot run.
std::string SpreadsheetSafe(std::string_view text);
