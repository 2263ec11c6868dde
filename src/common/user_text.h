#pragma once
// The texts a user reads when something fails, and the one way such a failure is
// reported: the log line first, the message box next (the box's message loop may
// end the window that owns the log).
#include <cstdint>
#include <string>
#include <string_view>

#include "common/message_sink.h"
#include "common/run_log.h"

// How a result code is written: the scan pass shows the bare 32-bit value, the
// command handlers the same bits read as a signed number.
enum class CodeSign { Unsigned, Signed };

// "Error " + operation + " (" + code in decimal + ")".
std::string ErrorText(std::string_view operation, uint32_t code, CodeSign sign);

// Logs text at the error level, then shows it.
void ReportError(TRunLog* log, MessageSink& messages, const std::string& text);

std::string YesNo(bool flag);
