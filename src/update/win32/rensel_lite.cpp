#include "update/win32/rensel_lite.h"

#include <windows.h>

#include "net/http_settings.h"
#include "net/maker_server.h"
#include "net/win32/http_custo.h"
#include "update/update_check.h"
#include "update/version.h"
#include "update/win32/file_product.h"

TRenselLite::TRenselLite(TRunLog* log, std::string title) : Log(log), Title(std::move(title)) {}

TRenselLite::~TRenselLite() {
    OnDone = nullptr;
    Client.reset();
}

void TRenselLite::Check(const std::string& fileName, NotifyEvent onDone) {
    Client.reset();
    busy_ = true;
    newVersion_ = false;
    validAnswer_ = false;
    announced_ = {};
    LogAdd(Log, Title + " Update self check : Initialization", LogLevel::Info);
    OnDone = std::move(onDone);

    const TDisplayedFileInfo info = GetFileProductInfo(fileName);
    std::string examined = fileName;
    const TRenselVersion local = TRenselVersion::Create(GetFileProductVersion(examined, "", ""));
    LocalVersionMS = local.VersionMS();
    LocalVersionLS = local.VersionLS();
    url_ = MakerAddress("https", UpdateCheckPath(info.ProductName, info.CompanyName, local));

    Answer.clear();
    if (!IsSslAvailable()) {
        // The answer decides what runs elevated: over plain http anyone on the network could give it.
        if (!sslOffLogged_)
            LogAdd(Log, Title + " Update self check : Off (no SSL)", LogLevel::Error);
        sslOffLogged_ = true;
        busy_ = false;
        if (auto done = OnDone) done(*this);
        return;
    }
    StartTick = GetTickCount();
    Client = StartProgramFetch({"RenselLite", url_, kSmallBodyLimit,
                                Proxy, &Answer},
                               Log, [this](HttpClient& sender, HttpRequestType type, int32_t error) {
                                   RequestDone(sender, type, error);
                               });
    if (!Client) {
        // No answer will come: the check ends here, so the menu can offer it again.
        busy_ = false;
        if (auto done = OnDone) done(*this);
    }
}

void TRenselLite::RequestDone(HttpClient& sender, HttpRequestType requestType, int32_t errorCode) {
    // The transport raises GET completions only; anything else would be no answer. An
    // answer other than 200 is an error page, whatever its body says.
    int32_t error = requestType == HttpRequestType::Get ? errorCode : -1;
    if (error == 0 && sender.StatusCode() != 200) error = sender.StatusCode();
    const std::string_view body(reinterpret_cast<const char*>(Answer.data()), Answer.size());
    const CheckOutcome outcome =
        ReadCheckOutcome(Title, error, body, sender.ReasonPhrase(), GetTickCount() - StartTick, LocalVersionMS,
                         LocalVersionLS);
    for (const auto& line : outcome.lines) LogAdd(Log, line.text, line.level);
    validAnswer_ = outcome.validAnswer;
    newVersion_ = outcome.newVersion;
    announced_ = outcome.announced;
    busy_ = false;
    // The handler may start the next check, which replaces OnDone: call a copy.
    if (auto done = OnDone) done(*this);
}
