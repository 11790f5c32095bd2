// SPDX-License-Identifier: MIT
// vantro-firmware: the simulated band's firmware on a pipe, for stand-ins of the band such as the mock
// bluetoothd. Each input line is one frame written to the band, in hex ("08 07 DE 07 0F"); the answer is
// one hex line per report the band notifies, then a line ".". The line "?" asks for today's running
// totals, which is what a read of the report characteristic returns.
//
// usage: vantro-firmware [--seed N] [--days N] [--nights N] [--today YYYY-MM-DD]
#include "platform/local_time.h"
#include "sim/wristband_firmware.h"

#include "fake_ble.h"

#include <cctype>
#include <iostream>
#include <optional>
#include <string>

namespace {

std::optional<vantro::Bytes> parseHex(const std::string& line) {
    std::string digits;
    for (char c : line) {
        if (c == ' ') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += c;
    }
    if (digits.empty() || digits.size() % 2) return std::nullopt;
    vantro::Bytes out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

void print(const vantro::Bytes& report) {
    std::cout << vantro::testing::hex(report) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    vantro::WristbandFirmware::Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        try {
            if (name == "--seed") {
                options.seed = std::stoull(value);
            } else if (name == "--days") {
                options.days = std::stoi(value);
            } else if (name == "--nights") {
                options.nights = std::stoi(value);
            } else if (name == "--today" && vantro::parseDate(value)) {
                options.today = *vantro::parseDate(value);
            } else {
                std::cerr << "vantro-firmware: bad option " << name << " " << value << "\n";
                return 2;
            }
        } catch (const std::exception&) {
            std::cerr << "vantro-firmware: bad value for " << name << ": " << value << "\n";
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::cerr << "vantro-firmware: " << argv[argc - 1] << " needs a value\n";
        return 2;
    }

    vantro::WristbandFirmware firmware(options);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "?") {
            print(firmware.currentDataReport());
        } else if (const auto frame = parseHex(line)) {
            for (const auto& report : firmware.receive(*frame)) print(report);
        } else {
            std::cerr << "vantro-firmware: not a frame: " << line << "\n";
        }
        std::cout << ".\n" << std::flush;
    }
    return 0;
}
