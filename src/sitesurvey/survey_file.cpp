#include "sitesurvey/survey_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/base64.h"
#include "common/json_reader.h"

namespace sitesurvey {
namespace {

using json_text::json;
using json_text::Path;
using json_text::Sub;

// The keys this version reads; anything else is kept when the file is of a newer
// minor version, and refused otherwise.
class SurveyReader : public json_text::JsonReader {
public:
    explicit SurveyReader(bool newerMinor) : newerMinor_(newerMinor) {}

    // Checks the object and returns the keys it does not know.
    json Object(const json& v, const Path& p, std::initializer_list<std::string_view> keys) {
        json extra = json::object();
        if (!v.is_object()) {
            Fail(p, "must be an object, not " + json_text::Shown(v));
            return extra;
        }
        for (const auto& [key, value] : v.items()) {
            if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
            if (newerMinor_)
                extra[key] = value;
            else
                Fail(Sub(p, key), "unknown key \"" + key + "\"");
        }
        return extra;
    }
    template <typename F>
    void Required(const json& obj, const Path& p, std::string_view key, F read) {
        if (!obj.is_object()) return;
        if (auto it = obj.find(key); it != obj.end())
            read(*it, Sub(p, key));
        else
            Fail(p, "needs \"" + std::string(key) + "\"");
    }

private:
    bool newerMinor_;
};

SurveyBss ReadBss(SurveyReader& r, const json& v, const Path& p) {
    SurveyBss b;
    b.extra = r.Object(v, p, {"bssid", "ssid", "rssi", "frequency_khz", "ies"});
    r.Required(v, p, "bssid", [&](const json& x, const Path& xp) {
        uint8_t mac[6];
        const std::string text = r.Text(x, xp);
        if (!r.failed() && !json_text::ParseMac(text, mac))
            r.Fail(xp, json_text::Shown(x) + " is not a BSSID (XX:XX:XX:XX:XX:XX)");
        b.bssid = text;
        std::transform(b.bssid.begin(), b.bssid.end(), b.bssid.begin(),
                       [](unsigned char c) { return std::toupper(c); });
    });
    r.Optional(v, p, "ssid", [&](const json& x, const Path& xp) {
        b.ssid = r.Text(x, xp);
        if (b.ssid.size() > 32)
            r.Fail(xp, "is " + std::to_string(b.ssid.size()) + " bytes long, at most 32 are allowed");
    });
    r.Required(v, p, "rssi",
               [&](const json& x, const Path& xp) { b.rssi = static_cast<int32_t>(r.Int(x, xp, -128, 127)); });
    r.Required(v, p, "frequency_khz", [&](const json& x, const Path& xp) {
        b.frequencyKhz = static_cast<uint32_t>(r.Int(x, xp, 1, 100'000'000));
    });
    r.Optional(v, p, "ies", [&](const json& x, const Path& xp) {
        const std::string hex = r.Text(x, xp);
        b.ies = json_text::HexBytes(hex);
        if (!r.failed() && !b.ies) r.Fail(xp, "is not hexadecimal text (pairs of hex digits)");
    });
    return b;
}

SurveyPoint ReadPoint(SurveyReader& r, const json& v, const Path& p) {
    SurveyPoint point;
    point.extra = r.Object(v, p, {"x", "y", "time", "bss"});
    r.Required(v, p, "x", [&](const json& x, const Path& xp) { point.x = r.Double(x, xp, 0, kMaxPlanPixels); });
    r.Required(v, p, "y", [&](const json& x, const Path& xp) { point.y = r.Double(x, xp, 0, kMaxPlanPixels); });
    r.Required(v, p, "time", [&](const json& x, const Path& xp) {
        point.time = r.Text(x, xp);
        if (!r.failed() && !IsUtcTime(point.time))
            r.Fail(xp, json_text::Shown(x) + " is not a UTC time (YYYY-MM-DDTHH:MM:SSZ)");
    });
    r.Required(v, p, "bss", [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, kMaxBssPerPoint))
            for (size_t k = 0; k < list->size() && !r.failed(); ++k)
                point.bss.push_back(ReadBss(r, (*list)[k], Sub(xp, k)));
    });
    return point;
}

SurveyPlan ReadPlan(SurveyReader& r, const json& v, const Path& p) {
    SurveyPlan plan;
    plan.extra = r.Object(v, p, {"name", "image", "metres_per_pixel", "points"});
    r.Optional(v, p, "name", [&](const json& x, const Path& xp) { plan.name = r.Text(x, xp); });
    r.Required(v, p, "image", [&](const json& image, const Path& ip) {
        const json extra = r.Object(image, ip, {"media_type", "data"});
        if (!extra.empty()) plan.extra["image"] = extra;  // kept beside the plan's own
        r.Required(image, ip, "media_type", [&](const json& x, const Path& xp) {
            plan.mediaType = r.Text(x, xp);
            if (!r.failed() &&
                std::find(std::begin(kImageTypes), std::end(kImageTypes), plan.mediaType) == std::end(kImageTypes))
                r.Fail(xp, json_text::Shown(x) + " is not image/png, image/jpeg, image/bmp, image/gif or image/tiff");
        });
        r.Required(image, ip, "data", [&](const json& x, const Path& xp) {
            const std::optional<std::vector<uint8_t>> data = Base64Decode(r.Text(x, xp));
            if (!r.failed() && !data) r.Fail(xp, "is not base64 text");
            if (data) plan.image = *data;
        });
    });
    r.Optional(v, p, "metres_per_pixel", [&](const json& x, const Path& xp) {
        const double m = r.Double(x, xp, 0, 1000);
        if (!r.failed() && !(m > 0)) r.Fail(xp, "must be above 0");
        plan.metresPerPixel = m;
    });
    r.Required(v, p, "points", [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, kMaxPointsPerPlan))
            for (size_t k = 0; k < list->size() && !r.failed(); ++k)
                plan.points.push_back(ReadPoint(r, (*list)[k], Sub(xp, k)));
    });
    return plan;
}

}  // namespace

bool IsUtcTime(std::string_view t) {
    // YYYY-MM-DDTHH:MM:SS[.f+]Z
    if (t.size() < 20 || t.back() != 'Z') return false;
    const std::string_view shape = "dddd-dd-ddTdd:dd:dd";
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(t[i])) : t[i] != shape[i]) return false;
    const std::string_view rest = t.substr(19, t.size() - 20);
    if (!rest.empty() && (rest[0] != '.' || rest.size() < 2 || !std::all_of(rest.begin() + 1, rest.end(), [](char c) {
                              return std::isdigit(static_cast<unsigned char>(c));
                          })))
        return false;
    const int month = (t[5] - '0') * 10 + (t[6] - '0'), day = (t[8] - '0') * 10 + (t[9] - '0');
    const int hour = (t[11] - '0') * 10 + (t[12] - '0'), minute = (t[14] - '0') * 10 + (t[15] - '0');
    const int second = (t[17] - '0') * 10 + (t[18] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 && second <= 60;
}

SurveyLoad ParseSurvey(std::string_view text, std::string_view name) {
    const std::string file(name);
    json_text::ParsedJson parsed = json_text::ParseCapped(text, file, kMaxSurveyBytes, kMaxSurveyNesting);
    if (!parsed.error.empty()) return {std::nullopt, parsed.error};
    const json& root = parsed.value;
    const Path top;
    auto failure = [&](const json_text::JsonReader& r) {
        const std::string where = json_text::PathText(r.path());
        return SurveyLoad{std::nullopt,
                          file + ":" + json_text::PathPosition(text, r.path()) + ": " +
                              (where.empty() ? "" : where + ": ") + r.problem()};
    };
    // The format and version first: they decide how strict the rest is read.
    json_text::JsonReader head;
    int minor = 0;
    if (!root.is_object()) {
        head.Fail(top, "must be an object, not " + json_text::Shown(root));
        return failure(head);
    }
    if (!root.contains("format") || !root["format"].is_string() || root["format"] != kSurveyFormat) {
        head.Fail(root.contains("format") ? Sub(top, "format") : top,
                  "is not a survey file (\"format\": \"vellumar-survey\")");
        return failure(head);
    }
    if (!root.contains("version"))
        head.Fail(top, "needs \"version\"");
    else if (head.Int(root["version"], Sub(top, "version"), 1, 1000) != kSurveyVersion && !head.failed())
        head.Fail(Sub(top, "version"), "is version " + root["version"].dump() + "; this program reads version 1");
    if (root.contains("minor_version"))
        minor = static_cast<int>(head.Int(root["minor_version"], Sub(top, "minor_version"), 0, 1000000));
    if (head.failed()) return failure(head);

    SurveyReader r(minor > kSurveyMinorVersion);
    SurveyFile survey;
    survey.minorVersion = minor;
    survey.extra = r.Object(root, top, {"format", "version", "minor_version", "plans"});
    r.Required(root, top, "plans", [&](const json& x, const Path& xp) {
        if (const json* list = r.List(x, xp, kMaxPlans))
            for (size_t k = 0; k < list->size() && !r.failed(); ++k)
                survey.plans.push_back(ReadPlan(r, (*list)[k], Sub(xp, k)));
    });
    if (r.failed()) return failure(r);
    return {std::move(survey), {}};
}

std::string WriteSurvey(const SurveyFile& survey) {
    // nlohmann's ordered_json keeps the order in which keys are written.
    using ordered = nlohmann::ordered_json;
    auto withExtra = [](ordered& o, const json& extra) {
        for (const auto& [key, value] : extra.items())
            if (!o.contains(key)) o[key] = value;
    };
    ordered root;
    root["format"] = kSurveyFormat;
    root["version"] = kSurveyVersion;
    if (survey.minorVersion != 0) root["minor_version"] = survey.minorVersion;
    root["plans"] = ordered::array();
    for (const SurveyPlan& plan : survey.plans) {
        ordered p;
        p["name"] = plan.name;
        p["image"] = {{"media_type", plan.mediaType}, {"data", Base64Encode(plan.image)}};
        if (plan.extra.contains("image"))
            for (const auto& [key, value] : plan.extra["image"].items()) p["image"][key] = value;
        if (plan.metresPerPixel) p["metres_per_pixel"] = *plan.metresPerPixel;
        p["points"] = ordered::array();
        for (const SurveyPoint& point : plan.points) {
            ordered q;
            q["x"] = point.x;
            q["y"] = point.y;
            q["time"] = point.time;
            q["bss"] = ordered::array();
            for (const SurveyBss& b : point.bss) {
                ordered e;
                e["bssid"] = b.bssid;
                e["ssid"] = b.ssid;
                e["rssi"] = b.rssi;
                e["frequency_khz"] = b.frequencyKhz;
                if (b.ies) {
                    std::string hex;
                    for (uint8_t byte : *b.ies) {
                        char two[3];
                        std::snprintf(two, sizeof two, "%02x", byte);
                        hex += two;
                    }
                    e["ies"] = hex;
                }
                withExtra(e, b.extra);
                q["bss"].push_back(std::move(e));
            }
            withExtra(q, point.extra);
            p["points"].push_back(std::move(q));
        }
        json planExtra = plan.extra;
        planExtra.erase("image");
        withExtra(p, planExtra);
        root["plans"].push_back(std::move(p));
    }
    withExtra(root, survey.extra);
    // Names from the air may hold any bytes: invalid UTF-8 is replaced, never thrown about.
    return root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<std::vector<MeasuredPlace>> MeasuredPlaces(const SurveyPlan& plan) {
    if (!plan.metresPerPixel) return std::nullopt;
    std::vector<MeasuredPlace> places;
    for (const SurveyPoint& point : plan.points) {
        MeasuredPlace m{{point.x * *plan.metresPerPixel, point.y * *plan.metresPerPixel}, {}};
        for (const SurveyBss& b : point.bss)
            m.heard.push_back({b.bssid, b.ssid, static_cast<double>(b.rssi), b.frequencyKhz});
        places.push_back(std::move(m));
    }
    return places;
}

}  // namespace sitesurvey
