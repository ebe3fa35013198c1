// The data parse: texts from outside are never run, never hang, never crash,
// and every path read of the C++ tree gives what the engine gives for the
// same value. Also the time limit of the script route.
#include "info/json_document.hpp"

#include <QJSEngine>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace vx::info {
namespace {

using namespace std::chrono_literals;

bool has_marker(JsonDocument& document) {
    return document.engine()->globalObject().hasProperty(QStringLiteral("marker"));
}

std::string repeated(const std::string& piece, std::size_t count) {
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

std::string nested_arrays(std::size_t depth) {
    return repeated("[", depth) + "1" + repeated("]", depth);
}

TEST(JsonDataParse, hostile_texts_are_never_run_and_never_hang) {
    struct Row {
        const char* name;
        std::string text;
        bool parses;
        std::string path;      // read when the text parses
        std::string expected;  // plain text at path
    };
    const Row rows[] = {
        {"script statement", "marker = 1", false, "", ""},
        {"splice break-out", "1); while(1){}//", false, "", ""},
        {"splice break-out with marker", "1); marker = 1; (1", false, "", ""},
        {"function call creating a global", "(function(){ marker = 1; return {}; })()", false, "",
         ""},
        {"call inside an array", "[(function(){ marker = 1 })()]", false, "", ""},
        {"string concatenation", R"({"a":"x" + (marker = 1)})", false, "", ""},
        {"arrays nested 100000 deep", nested_arrays(100000), false, "", ""},
        {"objects nested 100000 deep", repeated(R"({"a":)", 100000) + "1" + repeated("}", 100000),
         false, "", ""},
        {"unclosed arrays 100000 deep", repeated("[", 100000), false, "", ""},
        {"nesting 1024 deep is accepted", nested_arrays(1024), true, "", "1"},
        {"nesting 1025 deep is refused", nested_arrays(1025), false, "", ""},
        {"raw U+2028 inside a string", "{\"s\":\"a\xE2\x80\xA8z\"}", true, "s", "a\xE2\x80\xA8z"},
        {"escaped lone surrogate", R"({"s":"\ud800x"})", true, "s", "?x"},
        {"member named __proto__", R"({"__proto__":{"x":"1"}})", true, "['__proto__']['x']", "1"},
        {"invalid UTF-8 in a string", "{\"s\":\"a\xFFz\"}", true, "s", "a\xEF\xBF\xBDz"},
        {"byte-order mark", "\xEF\xBB\xBF{\"a\":1}", true, "a", "1"},
        {"number out of range", "[1e400]", false, "", ""},
        {"JavaScript literal forms", "{a:1}", false, "", ""},
        {"trailing comma", "[1,]", false, "", ""},
        {"text after the value", "{} marker = 1", false, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        JsonDocument document;
        EXPECT_EQ(document.parse_data(row.text), row.parses);
        if (row.parses) {
            EXPECT_EQ(document.get_text(row.path), row.expected);
            document.engine();  // the value handed to the engine reads the same
            EXPECT_EQ(document.get_text(row.path), row.expected);
        } else {
            EXPECT_EQ(document.get_text(""), "");
        }
        EXPECT_FALSE(has_marker(document));
    }
}

TEST(JsonDataParse, twenty_megabytes_parse_and_read) {
    std::string text = R"({"items":[)";
    std::size_t count = 0;
    while (text.size() < 20 * 1024 * 1024) {
        if (count > 0) {
            text += ',';
        }
        const std::string n = std::to_string(count);
        text += R"({"name":"package-)" + n + R"(","version":"1.0.)" + n + R"(","size":)" + n +
                R"(,"yanked":false,"tags":["a","b",null]})";
        ++count;
    }
    text += "]}";
    JsonDocument document;
    ASSERT_TRUE(document.parse_data(text));
    EXPECT_EQ(document.array_count("items"), static_cast<int>(count));
    const std::string last = std::to_string(count - 1);
    EXPECT_EQ(document.get_text("['items'][" + last + "]['version']"), "1.0." + last);
    EXPECT_EQ(document.get_text("['items'][0]['tags']"), "a,b,");
    // A read that needs the script language hands the whole value over; on a
    // loaded machine that can take longer than the default limit per evaluation.
    document.set_time_limit(std::chrono::minutes(5));
    EXPECT_EQ(document.get_text("items.length"), std::to_string(count));
    EXPECT_EQ(document.get_text("['items'][" + last + "]['name']"), "package-" + last);
}

TEST(JsonScriptParse, running_out_of_time_fails_and_the_engine_recovers) {
    JsonDocument document;
    document.set_time_limit(200ms);
    EXPECT_FALSE(document.parse("1); while(1){}//"));
    EXPECT_FALSE(document.parse("(function(){ while(true){} })()", true));
    ScriptError error;
    EXPECT_FALSE(document.parse("(function(){ for(;;){} })()", true, &error));
    EXPECT_EQ(error.Number, ScriptError::timed_out);
    EXPECT_EQ(document.get_text(""), "");

    EXPECT_TRUE(document.parse(R"({"a":[1,2]})"));
    EXPECT_FALSE(document.set_expression("b", "(function(){ while(1){} })()"));
    EXPECT_EQ(document.get_text("a"), "1,2");
}

TEST(JsonScriptParse, deep_nesting_fails_without_a_crash) {
    JsonDocument document;
    EXPECT_FALSE(document.parse(nested_arrays(100000)));
    EXPECT_FALSE(document.parse(nested_arrays(100000), true));
    EXPECT_TRUE(document.parse("[1]"));
}

TEST(JsonScriptParse, workers_time_out_independently) {
    std::vector<int> results(3, -1);
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < results.size(); ++i) {
        workers.emplace_back([&results, i] {
            JsonDocument document;
            document.set_time_limit(300ms);
            const bool looped = document.parse("1); while(1){}//");
            const bool fine = document.parse_data(R"({"v":"ok"})") &&
                              document.get_text("v") == "ok" && document.set_value("w", "x");
            results[i] = !looped && fine ? 1 : 0;
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(results, std::vector<int>(3, 1));
}

// Every read of every path: the C++ tree must answer as the engine does.
std::vector<std::string> all_reads(JsonDocument& document, const std::string& path) {
    std::vector<std::string> reads;
    std::vector<std::string> names;
    std::string resolved = path;
    reads.push_back(std::to_string(document.resolve_path(resolved)) + " " + resolved);
    reads.push_back(document.get_text(path));
    reads.push_back(document.get_text(path, true));
    reads.push_back(std::to_string(document.exists(path)));
    reads.push_back(std::to_string(document.value_type(path)));
    reads.push_back(std::to_string(document.array_count(path)));
    document.member_names(names, path);
    for (const std::string& name : names) {
        reads.push_back("name " + name);
    }
    reads.push_back(document.get_item_text(0, path));
    reads.push_back(document.get_item_text(1, path, true));
    reads.push_back(document.get_document(path).get_json());
    reads.push_back(document.get_item_document(0, path).get_json());
    reads.push_back(std::to_string(document.get_number(path) + 0.0));  // -0 prints as 0
    for (const bool recursive : {false, true}) {
        document.leaf_values(names, path, recursive);
        for (const std::string& value : names) {
            reads.push_back("leaf " + value);
        }
        reads.push_back("leaves " + std::to_string(names.size()));
    }
    return reads;
}

TEST(JsonDataParse, tree_reads_match_the_engine_reads) {
    struct Text {
        const char* name;
        std::string json;
        bool script_safe;  // evaluating it as a script gives the same value
    };
    const Text texts[] = {
        {"index record",
         R"({"info":{"version":"1.2","author":"A","requires_dist":["x>=1","y; extra == 'z'"],)"
         R"("license":null,"n":3},"urls":[{"upload_time":"2024-01-01T00:00:00"}],)"
         R"("releases":{"1.0":[],"1.2":[{"size":1}]}})",
         true},
        {"member order",
         R"({"b":1,"2":2,"a":"x","1":[true,false],"b":3,"4294967295":"big","4294967294":"max",)"
         R"("01":"lead","":"empty","k'ey":"q","data":{"x":"d"},"da":"inner"})",
         true},
        {"numbers",
         R"({"a":[0,-0,1e21,1e-7,123e-20,0.000001,5e-324,1.7976931348623157e308,)"
         R"(12345678901234567890,-1.5,2.5e+3,100,0.1,1E2],"n":-0.0})",
         true},
        {"strings",
         "{\"s\":\"line\\nbreak\\ttab \\u0001 \\u001f \\u007f \\u00ad \xE2\x90\x80 "
         "backslash\\\\ quote\\\" slash\\/ [2020年7月20日20时0分0秒] sep\",\"u\":\"\\u2028\","
         "\"list\":[\"a\xE2\x90\x80\",\"[2020年7月20日20时0分0秒]\",\"\",\"b\"],\"k\\r\\nl\":1}",
         true},
        {"nested", R"([[1,[2,[3,[]]]],{"a":{"b":{"c":null}}},"x",null,true,{"list":[{"k":"v"}]}])",
         true},
        {"top-level string", R"("abc")", false},
        {"top-level number", "42", true},
        {"top-level boolean", "true", true},
        {"empty object", "{}", true},
        {"empty array", "[]", true},
        {"data only", "{\"__proto__\":{\"x\":1},\"s\":\"\\ud800\",\"raw\":\"a\xE2\x80\xA8z\"}",
         false},
    };
    const std::string paths[] = {
        "",
        "a",
        "['a']",
        "a.b",
        "['a']['b']",
        "a[0]",
        "['a'][1]",
        "['a'][20]",
        "x",
        "x.y",
        "['x']['y']",
        "da",
        "da.a",
        "da['a']",
        "data",
        "data.x",
        "n",
        "s",
        "['s']",
        "u",
        "list",
        "list[0]",
        "['list'][1]",
        "[0]",
        "[1]",
        "[4]",
        "['1']",
        "[2]",
        "['01']",
        "['4294967295']",
        "['']",
        "['k\\'ey']",
        "info",
        "info.version",
        "['info']['requires_dist']",
        "['urls'][0]['upload_time']",
        "['urls'][1]['upload_time']",
        "releases",
        "['releases']['1.2']",
        "['__proto__']",
        "['__proto__']['x']",
        "raw",
        "toString",
        "a.length",
        "s.length",
        "[0][1]",
        "[1].a.b",
        "[1]['a']['b']['c']",
        "[5].list[0].k",
        "b",
        "2",
        "da.",
        "a b",
    };
    for (const Text& text : texts) {
        // Reads do not change the root, so the engine-side documents serve
        // every path; the tree is fresh for each, as a read may hand it over.
        JsonDocument engine;
        ASSERT_TRUE(engine.parse_data(text.json)) << text.name;
        engine.engine();  // answers from the engine from here on
        JsonDocument script;
        ASSERT_TRUE(!text.script_safe || script.parse(text.json)) << text.name;
        for (const std::string& path : paths) {
            SCOPED_TRACE(std::string(text.name) + " at '" + path + "'");
            JsonDocument tree;
            ASSERT_TRUE(tree.parse_data(text.json));
            const std::vector<std::string> expected = all_reads(engine, path);
            EXPECT_EQ(all_reads(tree, path), expected);
            if (text.script_safe) {
                EXPECT_EQ(all_reads(script, path), expected);
            }
        }
    }
}

}  // namespace
}  // namespace vx::info
