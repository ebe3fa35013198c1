// JsonDocument operations. Reads are checked through every way a document
// can hold its root: a script parse, a data parse (answered from the C++
// tree) and a data parse whose value has been handed to the engine.
#include "info/json_document.hpp"

#include <QJSEngine>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vx::info {
namespace {

using Names = std::vector<std::string>;

enum class Route { script, data, data_in_engine };

constexpr Route all_routes[] = {Route::script, Route::data, Route::data_in_engine};

const char* route_name(Route route) {
    switch (route) {
        case Route::script:
            return "script parse";
        case Route::data:
            return "data parse";
        case Route::data_in_engine:
            return "data parse handed to the engine";
    }
    return "";
}

bool load(JsonDocument& document, Route route, const std::string& text) {
    if (route == Route::script) {
        return document.parse(text);
    }
    const bool parsed = document.parse_data(text);
    if (route == Route::data_in_engine) {
        document.engine();  // hands the value over
    }
    return parsed;
}

bool has_global(JsonDocument& document, const char* name) {
    return document.engine()->globalObject().hasProperty(QString::fromUtf8(name));
}

TEST(JsonDocumentReads, edge_cases_give_the_engine_texts_on_every_route) {
    struct Row {
        const char* name;
        std::string text;
        std::function<void(JsonDocument&)> check;
    };
    const std::string ab = R"({"a":{"b":[1,2]}})";
    const Row rows[] = {
        {"plain read of an array joins its items", ab,
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("a.b"), "1,2");
             EXPECT_EQ(d.get_text("['a']['b']", true), "[1,2]");
             EXPECT_EQ(d.get_json("a.b"), "[1,2]");
         }},
        {"missing member reads empty, does not exist, has type 0", ab,
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("a.x"), "");
             EXPECT_EQ(d.get_text("a.x", true), "");
             EXPECT_FALSE(d.exists("a.x"));
             EXPECT_EQ(d.value_type("a.x"), 0);
         }},
        {"path through a missing member has type -1", ab,
         [](JsonDocument& d) {
             EXPECT_EQ(d.value_type("a.x.y"), -1);
             EXPECT_EQ(d.get_text("['x']['y']"), "");
             EXPECT_FALSE(d.exists("['x']['y']"));
         }},
        {"null member reads empty", R"({"n":null,"list":[null]})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("n"), "");
             EXPECT_EQ(d.get_text("n", true), "null");
             EXPECT_FALSE(d.exists("n"));
             EXPECT_EQ(d.value_type("n"), 0);
             EXPECT_EQ(d.get_text("list"), "");
         }},
        {"empty path is the root", ab,
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("", true), R"({"a":{"b":[1,2]}})");
             EXPECT_EQ(d.get_text(""), "[object Object]");
             EXPECT_EQ(d.value_type(""), 4);
             EXPECT_TRUE(d.exists(""));
             EXPECT_EQ(d.to_json(), R"({"a":{"b":[1,2]}})");
         }},
        {"member and bracket forms agree", R"({"info":{"version":"1.0","n":3}})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("info.version"), "1.0");
             EXPECT_EQ(d.get_text("['info']['version']"), "1.0");
             EXPECT_EQ(d.get_text("info['version']"), "1.0");
             EXPECT_EQ(d.get_text("[\"info\"].n"), "3");
         }},
        {"path starting with the name is used unchanged", ab,
         [](JsonDocument& d) {
             std::string path = "da['a']";
             EXPECT_TRUE(d.resolve_path(path));
             EXPECT_EQ(path, "da['a']");
             EXPECT_EQ(d.get_text("da.a.b"), "1,2");
             std::string relative = "a.b";
             EXPECT_TRUE(d.resolve_path(relative));
             EXPECT_EQ(relative, "da.a.b");
         }},
        {"member whose name starts with da is relative", R"({"data":{"x":"1"},"da":"inner"})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("data.x"), "1");
             std::string path = "data.x";
             EXPECT_TRUE(d.resolve_path(path));
             EXPECT_EQ(path, "da.data.x");
             EXPECT_EQ(d.get_text("da"), "[object Object]");
             EXPECT_EQ(d.get_text("da.da"), "inner");
         }},
        {"member names never list the inherited functions", R"({"z":1,"a":{"k":2},"1":3,"s":"t"})",
         [](JsonDocument& d) {
             Names names;
             EXPECT_EQ(d.member_names(names), 4);
             EXPECT_EQ(names, (Names{"1", "z", "a", "s"}));
             EXPECT_EQ(d.member_names(names, "a"), 1);
             EXPECT_EQ(names, Names{"k"});
             EXPECT_EQ(d.member_names(names, "z"), 0);
             EXPECT_EQ(d.member_names(names, "s"), 0);
             EXPECT_EQ(d.member_names(names, "missing"), 0);
         }},
        {"member names of an array are none", R"([{"a":1},2])",
         [](JsonDocument& d) {
             Names names{"stale"};
             EXPECT_EQ(d.member_names(names), 0);
             EXPECT_TRUE(names.empty());
             EXPECT_EQ(d.member_names(names, "[0]"), 1);
         }},
        {"array count of anything but an array is 0", R"({"a":[1,2,3],"o":{},"s":"abc"})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.array_count("a"), 3);
             EXPECT_EQ(d.array_count("o"), 0);
             EXPECT_EQ(d.array_count("s"), 0);
             EXPECT_EQ(d.array_count("missing"), 0);
             EXPECT_EQ(d.array_count(""), 0);
         }},
        {"leaf values with and without recursion",
         R"({"s":"x","n":2,"b":true,"z":null,"o":{"i":"y","a":[3,{"d":false}]},"e":""})",
         [](JsonDocument& d) {
             Names values;
             EXPECT_EQ(d.leaf_values(values), 3);  // the empty last text is no piece
             EXPECT_EQ(values, (Names{"x", "2", "true"}));
             EXPECT_EQ(d.leaf_values(values, "", true), 6);
             EXPECT_EQ(values, (Names{"x", "2", "true", "y", "3", "false"}));
             EXPECT_EQ(d.leaf_values(values, "o.a"), 1);
             EXPECT_EQ(values, Names{"3"});
             EXPECT_EQ(d.leaf_values(values, "n"), 0);
             EXPECT_EQ(d.leaf_values(values, "s"), 1);  // a string walks its characters
         }},
        {"numbers read in the engine's notation",
         R"({"a":1e21,"b":0.1,"c":-0,"d":1.5e-7,"e":12345678901234567890,"f":1e-6,"g":-2.50})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("a"), "1e+21");
             EXPECT_EQ(d.get_text("b"), "0.1");
             EXPECT_EQ(d.get_text("c"), "0");
             EXPECT_EQ(d.get_text("d"), "1.5e-7");
             EXPECT_EQ(d.get_text("e"), "12345678901234567000");
             EXPECT_EQ(d.get_text("f"), "0.000001");
             EXPECT_EQ(d.get_text("g"), "-2.5");
             EXPECT_EQ(d.get_number("g"), -2.5);
         }},
        {"value types", R"({"b":false,"n":0,"o":{},"a":[],"s":""})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.value_type("b"), 1);
             EXPECT_EQ(d.value_type("n"), 2);
             EXPECT_EQ(d.value_type("o"), 4);
             EXPECT_EQ(d.value_type("a"), 5);
             EXPECT_EQ(d.value_type("s"), 6);
             EXPECT_EQ(d.get_text("b"), "false");
             EXPECT_TRUE(d.exists("n"));
         }},
        {"nested array items read as the engine joins them",
         R"({"a":[1,null,{"x":1},[2,[3]],"s"]})",
         [](JsonDocument& d) { EXPECT_EQ(d.get_text("a"), "1,,[object Object],2,3,s"); }},
        {"item text is given for string items only", R"({"a":["x",2,null]})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_item_text(0, "a"), "x");
             EXPECT_EQ(d.get_item_text(1, "a"), "");
             EXPECT_EQ(d.get_item_text(1, "a", true), "2");
             EXPECT_EQ(d.get_item_text(2, "a", true), "null");
             EXPECT_EQ(d.get_item_text(7, "a"), "");
         }},
        {"texts keep their characters", R"({"s":"\u00e9\ud83d\ude00 \"q\" \\ \t","k\r\nl":1})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("s"), "é😀 \"q\" \\ \t");
             EXPECT_EQ(d.get_text("s", true), R"("é😀 \"q\" \\ \t")");
             Names names;
             EXPECT_EQ(d.member_names(names), 3);  // the engine's split at CR LF
         }},
        {"inherited members read through the engine", R"({"a":[1,2],"s":"abc"})",
         [](JsonDocument& d) {
             EXPECT_EQ(d.get_text("a.length"), "2");
             EXPECT_EQ(d.get_text("s.length"), "3");
             EXPECT_EQ(d.value_type("toString"), -1);
             EXPECT_EQ(d.array_count("a"), 2);
         }},
    };
    for (const Route route : all_routes) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + " / " + route_name(route));
            JsonDocument document;
            ASSERT_TRUE(load(document, route, row.text));
            row.check(document);
        }
    }
}

TEST(JsonDocumentParse, invalid_text_fails_and_every_read_is_empty) {
    for (const Route route : all_routes) {
        for (const std::string text : {"{\"a\":", "", "not json", "[1,]x", "null"}) {
            SCOPED_TRACE(std::string(route_name(route)) + ": " + text);
            JsonDocument document;
            document.set_value("a", "before");
            EXPECT_FALSE(load(document, route, text));
            EXPECT_EQ(document.get_text("a"), "");
            EXPECT_EQ(document.get_text(""), "");
            EXPECT_FALSE(document.exists(""));
            EXPECT_EQ(document.value_type("a"), -1);
            EXPECT_EQ(document.array_count(), 0);
        }
    }
}

TEST(JsonDocumentParse, error_record_describes_the_fault) {
    JsonDocument document;
    ScriptError error;
    EXPECT_FALSE(document.parse("{\"a\":", false, &error));
    EXPECT_EQ(error.Number, ScriptError::script_thrown);
    EXPECT_EQ(error.Source, "SyntaxError");
    EXPECT_FALSE(error.Description.empty());

    EXPECT_TRUE(document.parse("{\"a\":1}", true, &error));
    EXPECT_EQ(error.Number, 0);

    EXPECT_FALSE(document.parse_data("{\"a\":1,\n \"b\" 2}", &error));
    EXPECT_EQ(error.Number, ScriptError::not_json);
    EXPECT_EQ(error.Source, "JSON");
    EXPECT_EQ(error.Line, 2);
    EXPECT_EQ(error.Column, 6);
    EXPECT_EQ(error.Text, "2}");
}

TEST(JsonDocumentChanges, set_value_keeps_backslashes_and_quotes) {
    for (const Route route : all_routes) {
        SCOPED_TRACE(route_name(route));
        JsonDocument document;
        ASSERT_TRUE(load(document, route, R"({"info":{"version":"1"}})"));
        const std::string tricky = "C:\\dir\\x 'single' \"double\"\r\nline\xE2\x80\xA8sep";
        document.set_value("info.path", tricky);
        EXPECT_EQ(document.get_text("info.path"), tricky);
        document.set_value("b", "a\\b");
        EXPECT_EQ(document.get_text("b"), "a\\b");
        EXPECT_EQ(document.get_json("b"), "\"a\\b\"");  // the backslash is not escaped
        EXPECT_EQ(document.get_text("info.version"), "1");
    }
}

TEST(JsonDocumentChanges, plain_values_cannot_break_out_of_their_literal) {
    const std::string hostile = "'); marker = 1; ('\\";
    JsonDocument document;
    EXPECT_TRUE(document.add_item(hostile, "list"));
    EXPECT_TRUE(document.set_item(1, "list", hostile));
    EXPECT_TRUE(document.set_value("v", hostile));
    EXPECT_EQ(document.get_item_text(0, "list"), hostile);
    EXPECT_EQ(document.get_item_text(1, "list"), hostile);
    EXPECT_EQ(document.get_text("v"), hostile);
    EXPECT_FALSE(has_global(document, "marker"));
}

TEST(JsonDocumentChanges, json_values_are_data_never_script) {
    JsonDocument document;
    EXPECT_FALSE(document.set_value("v", "(function(){ marker = 1; return 2 })()", true));
    EXPECT_FALSE(document.add_item("marker = 1", "list", true));
    EXPECT_FALSE(document.set_item(0, "list", "marker = 1", true));
    EXPECT_FALSE(has_global(document, "marker"));
    EXPECT_FALSE(document.exists("v"));

    EXPECT_TRUE(document.set_value("o", R"({"a":1,"b":"x"})", true));
    EXPECT_TRUE(document.set_value("o", R"({"b":"y","c":[2]})", true));  // merged
    EXPECT_EQ(document.get_json("o"), R"({"a":1,"b":"y","c":[2]})");
    EXPECT_TRUE(document.set_value("s", "\"line\xE2\x80\xA8sep\"", true));
    EXPECT_EQ(document.get_text("s"), "line\xE2\x80\xA8sep");
}

TEST(JsonDocumentChanges, add_item_creates_the_array) {
    for (const Route route : all_routes) {
        SCOPED_TRACE(route_name(route));
        JsonDocument document;
        ASSERT_TRUE(load(document, route, R"({"a":"not an array"})"));
        EXPECT_TRUE(document.add_item("x", "a"));
        EXPECT_TRUE(document.add_item("{\"k\":1}", "a", true));
        EXPECT_TRUE(document.add_item("first", "a", false, true));
        EXPECT_EQ(document.array_count("a"), 3);
        EXPECT_EQ(document.get_json("a"), R"(["first","x",{"k":1}])");
        EXPECT_TRUE(document.add_item("y", "fresh"));
        EXPECT_EQ(document.get_json("fresh"), R"(["y"])");
        EXPECT_TRUE(document.remove_item(0, "a"));
        EXPECT_EQ(document.get_json("a"), R"(["x",{"k":1}])");
        EXPECT_TRUE(document.set_item(0, "a", "z"));
        EXPECT_EQ(document.get_item_text(0, "a"), "z");
        EXPECT_EQ(document.get_item_text(1, "a", true), R"({"k":1})");
    }
}

TEST(JsonDocumentChanges, numbers_expressions_removal_and_clear) {
    for (const Route route : all_routes) {
        SCOPED_TRACE(route_name(route));
        JsonDocument document;
        ASSERT_TRUE(load(document, route, R"({"a":{"b":[1,2]},"n":"7"})"));
        EXPECT_TRUE(document.set_number("x", 2.5));
        EXPECT_EQ(document.get_text("x"), "2.5");
        EXPECT_EQ(document.get_number("x"), 2.5);
        EXPECT_EQ(document.get_number("n"), 7);
        EXPECT_EQ(document.get_number("missing"), 0);
        EXPECT_TRUE(document.set_expression("e", "'1' + '2'"));
        EXPECT_EQ(document.get_text("e"), "12");
        EXPECT_TRUE(document.remove("a"));
        EXPECT_FALSE(document.exists("a"));
        EXPECT_TRUE(document.clear());
        EXPECT_EQ(document.to_json(), "{}");
    }
}

TEST(JsonDocumentCopies, share_the_engine_until_one_parses) {
    for (const Route route : all_routes) {
        SCOPED_TRACE(route_name(route));
        JsonDocument first;
        ASSERT_TRUE(load(first, route, R"({"a":1})"));
        JsonDocument second = first;
        EXPECT_EQ(second.get_text("a"), "1");
        first.set_value("x", "shared");
        EXPECT_EQ(second.get_text("x"), "shared");
        EXPECT_EQ(first.engine(), second.engine());

        EXPECT_TRUE(second.parse_data(R"({"b":2})"));
        EXPECT_NE(first.engine(), second.engine());
        EXPECT_EQ(first.get_text("x"), "shared");
        EXPECT_EQ(second.get_text("x"), "");
        EXPECT_EQ(second.get_text("b"), "2");
    }
}

TEST(JsonDocumentCopies, sub_documents_have_engines_of_their_own) {
    for (const Route route : all_routes) {
        SCOPED_TRACE(route_name(route));
        JsonDocument document;
        ASSERT_TRUE(load(document, route, R"({"a":{"b":[1,{"c":"x\\y"}]},"s":"t"})"));
        JsonDocument sub = document.get_document("a");
        EXPECT_NE(sub.engine(), document.engine());
        EXPECT_EQ(sub.get_text("b"), "1,[object Object]");
        EXPECT_EQ(sub.get_text("['b'][1]['c']"), "x\\y");
        JsonDocument item = document.get_item_document(1, "a.b");
        EXPECT_EQ(item.get_json(), R"({"c":"x\\y"})");
        sub.set_value("b", "changed");
        EXPECT_EQ(document.get_text("a.b"), "1,[object Object]");
        EXPECT_EQ(document.get_document("s").get_text(), "t");
        EXPECT_FALSE(document.get_document("missing").exists());
    }
}

TEST(JsonDocumentThreads, lives_and_dies_on_a_worker_thread) {
    std::string version;
    std::string stored;
    std::thread worker([&] {
        JsonDocument document;
        document.parse_data(R"({"info":{"version":"2.0"}})");
        version = document.get_text("['info']['version']");
        document.set_value("info.author", "me");
        stored = document.get_text("info.author");
        document.clear();
    });
    worker.join();
    EXPECT_EQ(version, "2.0");
    EXPECT_EQ(stored, "me");
}

}  // namespace
}  // namespace vx::info
