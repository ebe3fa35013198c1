// The start scripts' JSON supplement, run in an engine whose own JSON has
// been taken away so that the supplement's definitions are the ones in use.
#include "info/json_start_script.hpp"

#include <QJSEngine>

#include <gtest/gtest.h>

#include <string>

namespace vx::info {
namespace {

std::string evaluate(QJSEngine& engine, const char* code) {
    const QJSValue value = engine.evaluate(QString::fromUtf8(code));
    return (value.isError() ? "error: " : "") + value.toString().toStdString();
}

class JsonSupplement : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(evaluate(engine, "JSON = undefined; delete Date.prototype.toJSON; 'gone'"),
                  "gone");
        ASSERT_EQ(evaluate(engine, json_start_script()), "undefined");
        ASSERT_EQ(evaluate(engine, json_fallback_script()), "undefined");
    }
    QJSEngine engine;
};

TEST_F(JsonSupplement, stringify_writes_compact_escaped_json) {
    struct Row {
        const char* name;
        const char* code;
        const char* expected;
    };
    const Row rows[] = {
        {"members and items", "JSON.stringify({a:[1,'x',null,true],b:undefined,c:function(){}})",
         R"({"a":[1,"x",null,true]})"},
        {"short escapes", R"(JSON.stringify('\b\t\n\f\r"\\'))", R"("\b\t\n\f\r\"\\")"},
        {"unicode escapes",
         R"(JSON.stringify('\u0001\u007f\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u202f\u2060\ufeff\ufff0'))",
         R"("\u0001\u007f\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u202f\u2060\ufeff\ufff0")"},
        {"other characters stay", "JSON.stringify('é/包')", "\"é/包\""},
        {"dates", "JSON.stringify(new Date(Date.UTC(2020, 6, 20, 20, 0, 0)))",
         "\"2020-07-20T20:00:00Z\""},
        {"numbers", "JSON.stringify([NaN, Infinity, -1.5, 1e21])", "[null,null,-1.5,1e+21]"},
        {"boxed values", "JSON.stringify([new String('s'), new Number(2), new Boolean(false)])",
         R"(["s",2,false])"},
        {"name list", "JSON.stringify({a:1,b:2}, ['b'])", R"({"b":2})"},
        {"replacer function",
         "JSON.stringify({a:1,b:2}, function(k, v) { return k === 'a' ? undefined : v })",
         R"({"b":2})"},
        {"cyclic value", "var o = {}; o.o = o; try { JSON.stringify(o) } catch (e) { e.name }",
         "TypeError"},
        {"inherited members are left out", "JSON.stringify(Object.create({x: 1}))", "{}"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(evaluate(engine, row.code), row.expected) << row.name;
    }
}

TEST_F(JsonSupplement, parse_reads_json_and_refuses_everything_else) {
    EXPECT_EQ(
        evaluate(
            engine,
            R"(JSON.stringify(JSON.parse(' {"a":[1,-2.5e3,"x\\u0041\\n\\/",true,false,null,{}],"__proto__":5} ')))"),
        R"({"a":[1,-2500,"xA\n/",true,false,null,{}],"__proto__":5})");
    EXPECT_EQ(evaluate(engine, "JSON.parse('\"\\\\ud83d\\\\ude00\"') === '\\ud83d\\ude00'"),
              "true");
    EXPECT_EQ(evaluate(engine,
                       "var r = JSON.parse('{\"a\":1,\"b\":[2]}', function(k, v) {"
                       " return k === 'a' ? undefined : v });"
                       " ('a' in r) + ' ' + r.b[0]"),
              "false 2");
    for (const char* text : {"[1,]", "{a:1}", "01", "\"\t\"", "1 2", "", ".5", "\"\\\\x41\"", "tru",
                             "[1", "{\"a\" 1}", "marker = 1"}) {
        const std::string code =
            std::string("try { JSON.parse('") + text + "'); 'accepted' } catch (e) { e.name }";
        EXPECT_EQ(evaluate(engine, code.c_str()), "SyntaxError") << text;
    }
    EXPECT_EQ(evaluate(engine, "typeof marker"), "undefined");
}

TEST_F(JsonSupplement, every_object_gets_two_enumerable_functions) {
    EXPECT_EQ(evaluate(engine, "var r = []; for (var k in {}) r.push(k); r.join(',')"),
              "toJSONString,parseJSON");
    EXPECT_EQ(evaluate(engine, "({a: [1]}).toJSONString()"), R"({"a":[1]})");
    EXPECT_EQ(evaluate(engine, "'[1,2]'.parseJSON()[1]"), "2");
    EXPECT_EQ(evaluate(engine,
                       "typeof get__nodeValue + typeof get__count + typeof get__name_All +"
                       " typeof get__extend"),
              "functionfunctionfunctionfunction");
}

TEST(JsonStartScript, keeps_what_the_engine_already_has) {
    QJSEngine engine;
    evaluate(engine, "Object.prototype.toJSONString = function() { return 'own' }");
    evaluate(engine, json_start_script());
    evaluate(engine, json_fallback_script());
    EXPECT_EQ(evaluate(engine, "({}).toJSONString()"), "own");
    EXPECT_EQ(evaluate(engine, "typeof ({}).parseJSON"), "undefined");
    EXPECT_EQ(evaluate(engine, "JSON.stringify({a: '\\u2028'})"), "{\"a\":\"\xE2\x80\xA8\"}");
    EXPECT_EQ(evaluate(engine, "typeof String.prototype.toJSON"), "undefined");
    EXPECT_EQ(evaluate(engine, "JSON.parse('.5')"), "0.5");  // still the engine's own reader
}

}  // namespace
}  // namespace vx::info
