#include "common/user_text.h"

std::string ErrorText(std::string_view operation, uint32_t code, CodeSign sign) {
    const std::string number =
        sign == CodeSign::Signed ? std::to_string(static_cast<int32_t>(code)) : std::to_string(code);
    return "Error " + std::string(operation) + " (" + number + ")";
}

void ReportError(TRunLog* log, MessageSink& messages, const std::string& text) {
    LogAdd(log, text, LogLevel::Error);
    messages.ShowMessage(text);
}

std::string YesNo(bool flag) { return flag ? "Yes" : "No"; }
