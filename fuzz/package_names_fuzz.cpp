// The checks and command lines for names, versions, paths and index
// addresses from outside: no crash, and every command line that is built
// hands the shell each outside value back as exactly one word, unchanged,
// with no operator that the command does not have by itself.
//   input: name, path or address \0 version
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"
#include "packages/package_names.hpp"

namespace {

// The words of a command line as /bin/sh reads them, for what our command
// lines may hold: blanks between words, single-quoted parts, backslash
// escapes. Nothing when an unquoted character would mean something
// more to the shell.
std::optional<std::vector<std::string>> shell_words(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (c == ' ') {
            if (in_word) {
                words.push_back(word);
            }
            word.clear();
            in_word = false;
        } else if (c == '\'') {
            const std::size_t close = line.find('\'', at + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            word += line.substr(at + 1, close - at - 1);
            in_word = true;
            at = close;
        } else if (c == '\\') {
            if (at + 1 >= line.size()) {
                return std::nullopt;
            }
            word += line[++at];
            in_word = true;
        } else if (std::string_view("|&;<>()$`\"\t\n*?[#~").find(c) != std::string_view::npos) {
            return std::nullopt;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> words_of(std::string_view line) {
    const auto words = shell_words(line);
    VX_FUZZ_CHECK(words.has_value());
    return *words;
}

using Words = std::vector<std::string>;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::packages;
    const vx::fuzz::FuzzInput input(data, size);
    const std::string text(input.text());
    const std::string version(input.field(0, "1.0"));

    if (const auto line = install_command(text, version, false)) {
        VX_FUZZ_CHECK(is_valid_package_name(text) && is_valid_version_text(version));
        VX_FUZZ_CHECK(words_of(*line) ==
                      (Words{"python", "-m", "pip", "install", text + "==" + version}));
    }
    if (const auto line = install_command(text, version, true)) {
        VX_FUZZ_CHECK(words_of(*line) == (Words{"python", "-m", "pip", "install", "--upgrade",
                                                text + "==" + version}));
    }
    if (const auto line = uninstall_command(text)) {
        VX_FUZZ_CHECK(words_of(*line) == (Words{"python", "-m", "pip", "uninstall", text, "-y"}));
    }
    if (const auto line = import_command(text)) {
        VX_FUZZ_CHECK(words_of(*line) == (Words{"python", "-m", "pip", "install", "-r", text}));
    }
    if (const auto line = batch_uninstall_command(text)) {
        VX_FUZZ_CHECK(words_of(*line) ==
                      (Words{"python", "-m", "pip", "uninstall", "-r", text, "-y"}));
    }
    if (const auto line = freeze_command(text)) {
        // The one operator of its own: the redirection, outside the quotes.
        const std::string prefix = "python -m pip freeze > ";
        VX_FUZZ_CHECK(line->starts_with(prefix));
        VX_FUZZ_CHECK(words_of(line->substr(prefix.size())) == Words{text});
    }
    if (const auto line = set_index_url_command(text)) {
        VX_FUZZ_CHECK(vx::text::is_valid_utf8(text));
        VX_FUZZ_CHECK(words_of(*line) ==
                      (Words{"python", "-m", "pip", "config", "set", "global.index-url", text}));
    }

    const std::string encoded = percent_encode_path_segment(text);
    std::string decoded;
    for (std::size_t at = 0; at < encoded.size(); ++at) {
        const char c = encoded[at];
        VX_FUZZ_CHECK(c != '/' && c != '?' && c != '#' && c != ' ');
        if (c == '%') {
            VX_FUZZ_CHECK(at + 2 < encoded.size());
            decoded += static_cast<char>(std::stoi(encoded.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            decoded += c;
        }
    }
    VX_FUZZ_CHECK(decoded == text);
    return 0;
}
