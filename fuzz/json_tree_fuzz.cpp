// The C++ JSON reader behind the document's data parse, fast enough to reach
// deep into the parser: no crash on any text; what it accepts, the script
// engine's JSON.parse accepts too, and the tree writes, joins and lists its
// members exactly as the engine does; a parsed value written out reads back
// to the very same text; path reads stay inside the tree.
//   input: JSON text \0 path
#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>
#include <QString>

#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.hpp"
#include "info/json_tree.hpp"
#include "info/json_tree_reads.hpp"

namespace {

using namespace vx::info;

constexpr std::string_view fixed_paths[] = {
    "da",
    "da.info.version",
    "da['info']['requires_dist']",
    "da['urls'][0]['upload_time']",
    "da[0][1]",
    "da['']",
    "other.x",
    "da.constructor",
};

void check_read(const JsonTree& tree, std::string_view path) {
    const TreeRead read =
        read_path(tree, tree.root, path, "da", [](std::string_view) { return false; });
    if (read.holds_value()) {
        VX_FUZZ_CHECK(read.node < tree.nodes.size());
        js_plain_text(tree, read.node);
        js_member_names(tree, read.node);
        js_leaf_values(tree, read.node, true, ",");
    }
}

std::string utf8(const QJSValue& value) {
    return value.toString().toUtf8().toStdString();
}

// What the engine makes of the text: nothing when JSON.parse throws, else
// JSON.stringify, the plain text and the member names of the value.
struct EngineReads {
    bool parsed = false;
    std::string json, plain, names;
};

EngineReads read_in_engine(std::string_view text) {
    // A fresh engine for every input: a long-lived one keeps memory that
    // only its own collector can see, which the leak checker would report.
    QJSEngine engine;
    QJSValue reads = engine.evaluate(
        "(function (text) { var v = JSON.parse(text);"
        " return [JSON.stringify(v), v === null ? '' : String(v),"
        " v !== null && typeof v === 'object' && !Array.isArray(v)"
        " ? Object.keys(v).join('\\r\\n') : '']; })");
    const QJSValue result =
        reads.call({QJSValue(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))});
    if (result.isError() || !result.isArray()) {
        return {};
    }
    return {true, utf8(result.property(0)), utf8(result.property(1)), utf8(result.property(2))};
}

void expect_equal(const char* what, const std::string& tree, const std::string& engine) {
    if (tree != engine) {
        std::fprintf(stderr, "%s differs\ntree:   [%s]\nengine: [%s]\n", what, tree.c_str(),
                     engine.c_str());
    }
    VX_FUZZ_CHECK(tree == engine);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication* application = new QCoreApplication(*argc, *argv);
    (void)application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vx::fuzz::FuzzInput input(data, size);
    const JsonParseOutcome outcome = parse_json_tree(input.text());
    // The engine reads text, not bytes, and knows no byte-order mark.
    std::string_view text = input.text();
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (!outcome.tree) {
        VX_FUZZ_CHECK(!outcome.message.empty());
        VX_FUZZ_CHECK(outcome.offset <= input.text().size());
        // The engine's JSON.parse also takes some texts that are not JSON
        // ("0.", for one); refusing those is right.
        return 0;
    }
    const JsonTree& tree = *outcome.tree;
    const EngineReads expected = read_in_engine(text);
    VX_FUZZ_CHECK(expected.parsed);
    expect_equal("JSON.stringify", js_json_text(tree, tree.root), expected.json);
    if (tree.node(tree.root).kind != JsonKind::null) {
        expect_equal("String(value)", js_plain_text(tree, tree.root), expected.plain);
    }
    expect_equal("member names", js_member_names(tree, tree.root), expected.names);
    VX_FUZZ_CHECK(tree.root < tree.nodes.size());
    for (const JsonNode& node : tree.nodes) {
        VX_FUZZ_CHECK(node.key_offset + std::size_t{node.key_length} <= tree.pool.size());
        if (node.kind == JsonKind::string) {
            VX_FUZZ_CHECK(node.first + std::size_t{node.count} <= tree.pool.size());
        } else if (node.kind == JsonKind::array || node.kind == JsonKind::object) {
            VX_FUZZ_CHECK(node.first + std::size_t{node.count} <= tree.nodes.size());
        }
    }

    const std::string written = serialise_json(tree, tree.root);
    VX_FUZZ_CHECK(written == js_json_text(tree, tree.root));
    const JsonParseOutcome again = parse_json_tree(written);
    VX_FUZZ_CHECK(again.tree != nullptr);
    VX_FUZZ_CHECK(serialise_json(*again.tree, again.tree->root) == written);

    for (const std::string_view path : fixed_paths) {
        check_read(tree, path);
    }
    check_read(tree, input.field(0, "da.info"));
    return 0;
}
