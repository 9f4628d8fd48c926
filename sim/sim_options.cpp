#include "sim/sim_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <string_view>

#include "formats/option_reader.h"
#include "link/module_address.h"
#include "sim/command_names.h"

namespace kq::sim {

namespace {

constexpr uint32_t MaxDelayMs = 600'000;      // longest processing delay accepted, ms
constexpr uint64_t MaxNoiseBytes = 65'536;    // most noise bytes before a reply
constexpr uint32_t MaxAwayMs = 600'000;       // longest absence of a module or of the line, ms
constexpr int MaxAdapterLatencyMs = 255;      // the longest latency timer adapters offer, ms

template <typename Number>
std::optional<Number> parseNumber(std::string_view text, int base = 10) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    Number value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// "CMD" or "CMD:N" where N is a count or "all"; the count defaults to fallback.
bool parseCommandCount(std::string_view text, uint16_t& code, uint32_t& count, std::string& error) {
    const size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const std::optional<uint16_t> parsed = parseCommand(name);
    if (!parsed) {
        error = "unknown command " + std::string(name);
        return false;
    }
    code = *parsed;
    count = EveryRequest;
    if (colon == std::string_view::npos) return true;
    const std::string_view n = text.substr(colon + 1);
    if (n == "all") return true;
    const std::optional<uint32_t> number = parseNumber<uint32_t>(n);
    if (!number) {
        error = "bad count " + std::string(n) + " (a number or all)";
        return false;
    }
    count = *number;
    return true;
}

class Parser {
public:
    Parser(SimOptions& options, std::string& error) : o_(options), error_(error) {}

    ParseStatus run(const std::vector<std::string>& args) {
        const CommandLine line = readCommandLine(args, knownOptions());
        switch (line.status) {
        case CommandLineStatus::Help: return ParseStatus::Help;
        case CommandLineStatus::Version: return ParseStatus::Version;
        case CommandLineStatus::Error: return fail(line.error);
        case CommandLineStatus::Run: break;
        }
        if (!line.operands.empty()) {
            return fail("unexpected argument " + line.operands[0] + ": kqsim takes options only");
        }
        for (const OptionEntry& entry : line.options) {
            const Option& option = optionNamed(entry.name);
            rule_ = option.rule;
            if (!(this->*option.apply)(entry.value)) {
                return fail(optionValueError(entry.name, entry.value.value_or(""), rule_));
            }
        }
        return finish();
    }

private:
    using Apply = bool (Parser::*)(const std::optional<std::string>&);
    struct Option {
        KnownOption known;
        Apply apply;
        std::string_view rule;  // what the value must be, for the error
    };

    // Every option with what its value must be; a fault option adds one
    // rule each time it is given.
    static const std::array<Option, 25>& options() {
        static const std::array<Option, 25> table = {{
            {{.name = "--family"}, &Parser::family, "use 251 or arm"},
            {{.name = "--mode"}, &Parser::mode, "use boot or app"},
            {{.name = "--baud"}, &Parser::baud, "use a rate the line knows, such as 9600 or 115200"},
            {{.name = "--parity"}, &Parser::parity, "use none, odd or even"},
            {{.name = "--bits"}, &Parser::bits, "use 10 or 11"},
            {{.name = "--pace"}, &Parser::pace, "use none, reply or both"},
            {{.name = "--link"}, &Parser::link, "give a path"},
            {{.name = "--flash-in"}, &Parser::flashIn, "give a file"},
            {{.name = "--dump"}, &Parser::dump, "give a file"},
            {{.name = "--log"}, &Parser::log, "give a file"},
            {{.name = "--boot-size"}, &Parser::bootSize, "use a hex number of bytes"},
            {{.name = "--stay-in-boot", .takes = OptionTakes::OptionalValue}, &Parser::stayInBoot, "it takes no value"},
            {{.name = "--address"}, &Parser::address,
             "a module address is 12 decimal digits, a pair AA standing for 0xAA"},
            {{.name = "--bus"}, &Parser::bus,
             "give module addresses of 12 decimal digits, separated by commas, each once"},
            {{.name = "--silent", .repeats = true}, &Parser::silent, ""},
            {{.name = "--error-bit", .repeats = true}, &Parser::errorBit, ""},
            {{.name = "--foreign", .repeats = true}, &Parser::foreign, ""},
            {{.name = "--delay", .repeats = true}, &Parser::delay, "use CMD:MS, MS up to 600000"},
            {{.name = "--bad-crc", .takes = OptionTakes::OptionalValue}, &Parser::badCrc, "use a count or all"},
            {{.name = "--noise"}, &Parser::noise, "use 0 to 65536 bytes"},
            {{.name = "--split"}, &Parser::split, "use 1 piece or more"},
            {{.name = "--hangup-after"}, &Parser::hangupAfter, "use a number of requests"},
            {{.name = "--unplug-after", .repeats = true}, &Parser::unplugAfter,
             "use N:MS, a number of requests and 0 to 600000 ms"},
            {{.name = "--replace-after"}, &Parser::replaceAfter, "use 0 to 600000 ms"},
            {{.name = "--adapter-latency"}, &Parser::adapterLatency, "use 1 to 255 ms"},
        }};
        return table;
    }

    static std::span<const KnownOption> knownOptions() {
        static const std::vector<KnownOption> all = [] {
            std::vector<KnownOption> list;
            for (const Option& option : options()) list.push_back(option.known);
            return list;
        }();
        return all;
    }

    static const Option& optionNamed(std::string_view name) {
        for (const Option& option : options()) {
            if (option.known.name == name) return option;
        }
        return options()[0];  // the reader passes only names of the table
    }

    ParseStatus fail(std::string message) {
        error_ = std::move(message);
        return ParseStatus::Error;
    }

    bool family(const std::optional<std::string>& v) {
        if (v == "251") o_.family = ChipFamily::Kq581x;
        else if (v == "arm") o_.family = ChipFamily::Kq58xx;
        else return false;
        return true;
    }
    bool mode(const std::optional<std::string>& v) {
        if (v == "boot") o_.mode = ModuleMode::Boot;
        else if (v == "app") o_.mode = ModuleMode::App;
        else return false;
        return true;
    }
    bool baud(const std::optional<std::string>& v) {
        const auto rate = parseNumber<uint32_t>(*v);
        if (!rate || !termiosSpeed(*rate)) return false;
        o_.line.baud = *rate;
        return true;
    }
    bool parity(const std::optional<std::string>& v) {
        const auto p = parseParity(*v);
        if (p) o_.line.parity = *p;
        return p.has_value();
    }
    bool bits(const std::optional<std::string>& v) {
        if (v != "10" && v != "11") return false;
        o_.bitsPerCharacter = v == "10" ? 10 : 11;
        return true;
    }
    // A switch: --stay-in-boot alone.
    bool stayInBoot(const std::optional<std::string>& v) {
        o_.stayInBoot = true;
        return !v.has_value();
    }
    bool pace(const std::optional<std::string>& v) {
        if (v == "none") o_.pace = PaceMode::None;
        else if (v == "reply") o_.pace = PaceMode::Reply;
        else if (v == "both") o_.pace = PaceMode::Both;
        else return false;
        return true;
    }
    bool link(const std::optional<std::string>& v) { return assignPath(o_.linkPath, *v); }
    bool flashIn(const std::optional<std::string>& v) { return assignPath(o_.flashIn, *v); }
    bool dump(const std::optional<std::string>& v) { return assignPath(o_.dumpPath, *v); }
    bool log(const std::optional<std::string>& v) { return assignPath(o_.logPath, *v); }
    static bool assignPath(std::string& path, std::string_view v) {
        path = v;
        return !v.empty();
    }
    bool bootSize(const std::optional<std::string>& v) {
        const auto size = parseNumber<uint32_t>(*v, 16);
        if (size) o_.bootSize = *size;
        return size.has_value();
    }
    bool address(const std::optional<std::string>& v) {
        if (v->size() != 12 || !isValidModuleAddress(*v)) return false;
        o_.moduleAddress = *v;
        addressGiven_ = true;
        return true;
    }
    bool bus(const std::optional<std::string>& v) {
        std::string_view text = *v;
        std::vector<std::string> addresses;
        while (true) {
            const size_t comma = text.find(',');
            const std::string address(text.substr(0, comma));
            if (address.size() != 12 || !isValidModuleAddress(address)) return false;
            for (const std::string& other : addresses) {
                if (encodeModuleAddress(other) == encodeModuleAddress(address)) return false;
            }
            addresses.push_back(address);
            if (comma == std::string_view::npos) break;
            text.remove_prefix(comma + 1);
        }
        o_.busAddresses = std::move(addresses);
        return true;
    }
    bool silent(const std::optional<std::string>& v) { return rule(*v, &FaultPlan::silence); }
    bool errorBit(const std::optional<std::string>& v) { return rule(*v, &FaultPlan::refuse); }
    bool foreign(const std::optional<std::string>& v) { return rule(*v, &FaultPlan::answerForeign); }
    bool rule(std::string_view v, void (FaultPlan::*add)(uint16_t, uint32_t)) {
        uint16_t code = 0;
        uint32_t count = 0;
        if (!parseCommandCount(v, code, count, rule_)) return false;
        (o_.faults.*add)(code, count);
        return true;
    }
    bool noise(const std::optional<std::string>& v) {
        const auto n = parseNumber<uint64_t>(*v);
        if (!n || *n > MaxNoiseBytes) return false;
        o_.shaping.noiseBytes = static_cast<size_t>(*n);
        return true;
    }
    bool split(const std::optional<std::string>& v) {
        const auto n = parseNumber<int>(*v);
        if (!n || *n < 1) return false;
        o_.shaping.pieces = *n;
        return true;
    }
    bool delay(const std::optional<std::string>& v) {
        const std::string_view text = *v;
        const size_t colon = text.find(':');
        const auto code = parseCommand(text.substr(0, colon));
        if (!code || colon == std::string_view::npos) return false;
        const auto ms = parseNumber<uint32_t>(text.substr(colon + 1));
        if (!ms || *ms > MaxDelayMs) return false;
        o_.faults.delay(*code, static_cast<int>(*ms));
        return true;
    }
    bool hangupAfter(const std::optional<std::string>& v) {
        const auto n = parseNumber<uint64_t>(*v);
        if (n) o_.hangupAfter = *n;
        return n.has_value();
    }
    bool unplugAfter(const std::optional<std::string>& v) {
        const std::string_view text = *v;
        const size_t colon = text.find(':');
        if (colon == std::string_view::npos) return false;
        const auto n = parseNumber<uint64_t>(text.substr(0, colon));
        const auto ms = parseNumber<uint32_t>(text.substr(colon + 1));
        if (!n || !ms || *ms > MaxAwayMs) return false;
        o_.unplugs.push_back({*n, static_cast<int>(*ms)});
        return true;
    }
    bool replaceAfter(const std::optional<std::string>& v) {
        const auto ms = parseNumber<uint32_t>(*v);
        if (!ms || *ms > MaxAwayMs) return false;
        o_.replaceAfterMs = static_cast<int>(*ms);
        return true;
    }
    bool adapterLatency(const std::optional<std::string>& v) {
        const auto ms = parseNumber<int>(*v);
        if (!ms || *ms < 1 || *ms > MaxAdapterLatencyMs) return false;
        o_.shaping.adapterLatencyMs = *ms;
        return true;
    }
    // --bad-crc alone covers every CRC reply.
    bool badCrc(const std::optional<std::string>& v) {
        uint32_t count = EveryRequest;
        if (v && *v != "all") {
            const auto n = parseNumber<uint32_t>(*v);
            if (!n) return false;
            count = *n;
        }
        o_.faults.corruptCrc(count);
        return true;
    }

    ParseStatus finish() {
        if (!o_.busAddresses.empty() && addressGiven_) return fail("--bus names the modules: leave out --address");
        if (o_.hangupAfter && !o_.unplugs.empty()) {
            return fail("--hangup-after unplugs the line for good: leave out --unplug-after");
        }
        if (o_.replaceAfterMs && o_.stayInBoot) {
            return fail("--replace-after: the module leaves after its jump or reset: leave out --stay-in-boot");
        }
        std::stable_sort(o_.unplugs.begin(), o_.unplugs.end(),
                         [](const Unplug& a, const Unplug& b) { return a.afterRequests < b.afterRequests; });
        const FlashGeometry flash = flashGeometry(o_.family, o_.bootSize);
        if (flash.bootSize > flash.size) return fail("--boot-size: larger than the flash");
        return ParseStatus::Run;
    }

    SimOptions& o_;
    std::string& error_;
    std::string rule_;  // the rule of the option being applied
    bool addressGiven_ = false;
};

}  // namespace

ParseStatus parseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
    error.clear();
    return Parser(options, error).run(args);
}

std::string usageText() {
    return R"usage(Usage: kqsim [options]
A simulated bootloader module on a pseudo-terminal. It links the terminal as the
first free ports/COMn beside this program (installed: in
$XDG_RUNTIME_DIR/flashwright/ports/), or at --link PATH, prints
"kqsim: ready on NAME (/dev/pts/N)" and answers requests until SIGINT or SIGTERM.

Module:
  --family 251|arm        chip family: 64 KiB at 0xFF0000 (251) or 512 KiB at 0 (arm); default 251
  --mode boot|app         program running at start: bootloader or user program; default boot
  --boot-size HEX         protected bootloader area at the bottom of the flash
                          (default 1000 for 251, 4000 for arm)
  --stay-in-boot          after a jump or the remote reset the bootloader runs
                          again instead of the user program, so that the module
                          takes one upgrade after another
  --address DIGITS        the module's 12-digit address; default 000000000001
  --bus ADDR,ADDR,...     several modules on the line (an RS-485 bus), one per
                          address, each with its own flash. A module-addressed
                          request is taken only by the module it names; the
                          wildcard AA, which names them all, and every
                          flash-addressed request (that layout names no module)
                          are taken by the first module of the list only, so
                          that replies never collide.
  --flash-in FILE         initial flash content (binary, from the bottom of the
                          flash); on a bus, of every module
  --dump FILE             write the whole flash to FILE at exit; on a bus one
                          file per module, its address before the extension
                          (flash.bin -> flash-000000000002.bin)

Line:
  --baud N                the module's baud rate; default 115200
  --parity none|odd|even  the module's parity; default none
                          (requests sent at other settings are noise to the module)
  --pace none|reply|both  hold replies (and with both, requests) for their wire time
  --bits 10|11            bits per character for pacing; default 10, 11 with parity
  --link PATH             make the link at PATH instead of ports/COMn
  --log FILE              one JSON line per request (on a bus with the
                          module that took it, "bus_module")

Faults (CMD is a command name or a hex code such as 0x1508; names: handshake,
erase-all, erase-sector, write-sector, read-crc, jump, reset, upgrade-flag,
remote-reset, remote-configure, remote-write, remote-verify; N counts the
requests of that command, and may be "all"):
  --silent CMD[:N]        ignore the first N requests of CMD (not carried out, not answered)
  --error-bit CMD[:N]     refuse the first N with the error bit (default all)
  --foreign CMD[:N]       answer the first N from another address (default all)
  --delay CMD:MS          take MS milliseconds before answering CMD
  --bad-crc[=N]           the first N read-crc replies carry the CRC + 1 (default all)
  --noise N               send N noise bytes before every reply
  --split N               write every reply in N pieces a few milliseconds apart
  --hangup-after N        after N requests, close the line as an unplugged adapter
                          would; keep running until signalled

Fixture (what a production line does to the module and its adapter):
  --replace-after MS      after a jump or the remote reset the module leaves (it
                          answers nothing) and MS ms later a fresh module arrives
                          in its bootloader: flash as at the start, its address
                          counted up by one (on a bus, past the addresses of the
                          other modules). With --dump, the leaving module's flash
                          is written first, its address before the extension
  --unplug-after N:MS     after N requests (counted from the start) the line goes
                          as an unplugged adapter's does, and MS ms later a new
                          pseudo-terminal comes under the same name (a replugged
                          adapter); may be given more than once
  --adapter-latency MS    model a USB adapter's latency timer (1 to 255 ms): a
                          reply's bytes are held until MS ms have passed since the
                          first of them arrived, or 62 bytes have gathered
  --help                  this text
  --version               the version

An option takes its value as --option VALUE or --option=VALUE; the fault
options may be given more than once.
)usage";
}

std::string moduleDumpPath(const std::string& dumpPath, const std::string& address) {
    const size_t slash = dumpPath.find_last_of('/');
    const size_t dot = dumpPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    if (!hasExtension) return dumpPath + "-" + address;
    return dumpPath.substr(0, dot) + "-" + address + dumpPath.substr(dot);
}

}  // namespace kq::sim
