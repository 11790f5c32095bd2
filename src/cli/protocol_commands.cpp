// SPDX-License-Identifier: MIT
// vantro-cli frame and decode: the wire protocol by hand.
#include "cli/cli.h"

#include "platform/local_time.h"
#include "protocol/frame.h"
#include "protocol/report.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <ostream>

namespace vantro::cli {
namespace {

using Json = nlohmann::ordered_json;

Json dateJson(const std::optional<CalendarDate>& d) {
    return d ? Json(formatDate(*d)) : Json(nullptr);
}
Json timeJson(const std::optional<TimeOfDay>& t) {
    return t ? Json(formatTime(*t)) : Json(nullptr);
}

struct ReportJson {
    Json operator()(const EmergencyCallReport&) const { return {{"kind", "emergency"}}; }
    Json operator()(const VersionReport& r) const {
        return {{"kind", "version"}, {"major", r.major}, {"minor", r.minor}, {"rows", {VersionText(r)}}};
    }
    Json operator()(const CurrentReport& r) const {
        const auto rows = CurrentRowTexts(r);
        return {{"kind", "current"},    {"steps", r.steps},     {"distance", r.distance},     {"calories", r.calories},
                {"restcal", r.restcal}, {"battery", r.battery}, {"activeTime", r.activeTime}, {"rows", Json(rows)}};
    }
    Json operator()(const DayRecordReport& r) const {
        return {
            {"kind", "day"},          {"date", dateJson(r.date)}, {"steps", r.steps},          {"distance", r.distance},
            {"calories", r.calories}, {"restcal", r.restcal},     {"activeTime", r.activeTime}};
    }
    Json operator()(const SleepRecordReport& r) const {
        return {{"kind", "sleep"},
                {"date", dateJson(r.date)},
                {"enterTime", r.enterTime},
                {"spindlesTime", r.spindlesTime},
                {"deepTime", r.deepTime},
                {"remTime", r.remTime},
                {"wakeupTime", r.wakeupTime},
                {"wakeupCount", r.wakeupCount},
                {"totalTime", timeJson(r.totalTime)},
                {"startTime", timeJson(r.startTime)}};
    }
    Json operator()(const SyncCompleteReport&) const { return {{"kind", "syncComplete"}}; }
    Json operator()(const NothingReport&) const { return {{"kind", "nothing"}}; }
    Json operator()(const UnrecognisedReport&) const { return {{"kind", "unrecognised"}}; }
};

struct FrameArguments {
    std::string code;
    std::vector<std::string> bytes;
    std::optional<std::string> at;
};

int frame(Context& ctx, const FrameArguments& a) {
    const auto& at = a.at;
    LocalDateTime when = toLocal(std::chrono::system_clock::now());
    if (at) {
        auto parsed = parseIsoLocal(*at);
        if (!parsed) {
            ctx.err << "vantro-cli frame: '" << *at << "' is not a valid local time (YYYY-MM-DDTHH:MM:SS)\n";
            return kUsageError;
        }
        when = *parsed;
    }
    auto code = parseByteNumber(a.code);
    if (!code) {
        ctx.err << "vantro-cli frame: '" << a.code << "' is not a command code (0 to 255, decimal or 0x-hex)\n";
        return kUsageError;
    }
    std::vector<std::uint8_t> data;
    for (const std::string& text : a.bytes) {
        auto b = parseHexBytes({text});
        if (!b || b->size() != 1) {
            ctx.err << "vantro-cli frame: '" << text << "' is not a two-digit hex byte\n";
            return kUsageError;
        }
        data.push_back((*b)[0]);
    }
    auto frame = BuildFrame(*code, data.data(), data.size(), when);
    if (!frame) {
        ctx.out << "none\n";
        return 1;
    }
    ctx.out << hexLine(*frame) << "\n";
    return 0;
}

Handler declareFrame(CLI::App& app) {
    auto a = std::make_shared<FrameArguments>();
    app.add_option("CODE", a->code, "the command code, 0 to 255, decimal or 0x-hex")->required();
    app.add_option("BYTE", a->bytes, "the command's data, two-digit hex bytes");
    app.add_option_function<std::string>(
           "--at", [a](const std::string& text) { a->at = text; }, "the local time a date or time command sends")
        ->type_name("YYYY-MM-DDTHH:MM:SS");
    return [a](Context& ctx) { return frame(ctx, *a); };
}

int decode(Context& ctx, const std::vector<std::string>& words) {
    auto bytes = parseHexBytes(words);
    // No bytes at all is a mistake in the call, not an empty report to decode.
    if (!bytes || bytes->empty()) {
        ctx.err << "vantro-cli decode: give the value as two-digit hex bytes (\"33 10 27\") or one even run of hex "
                   "digits (\"331027\")\n";
        return kUsageError;
    }
    ctx.out << std::visit(ReportJson{}, DecodeReport(bytes->data(), bytes->size())).dump() << "\n";
    return 0;
}

Handler declareDecode(CLI::App& app) {
    auto words = std::make_shared<std::vector<std::string>>();
    app.add_option("HEX", *words, "the value: two-digit hex bytes (33 10 27) or one run of hex digits (331027)");
    return [words](Context& ctx) { return decode(ctx, *words); };
}

const Registration frameReg("frame", "frame CODE [BYTE ...] [--at YYYY-MM-DDTHH:MM:SS]   print a command frame",
                            Declare(declareFrame));
const Registration decodeReg("decode", "decode HEX...                                     decode a report as JSON",
                             Declare(declareDecode));

}  // namespace
}  // namespace vantro::cli
