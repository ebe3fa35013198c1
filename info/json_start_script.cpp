#include "info/json_start_script.hpp"

namespace vx::info {
namespace {

// The four walkers every document's snippets call, exactly as the snippets
// expect them, followed by the part of the JSON supplement every engine runs:
// it makes sure a JSON object exists, gives dates toJSON where they lack it,
// and adds the enumerable toJSONString and parseJSON to every object unless
// present. The helpers skip function members, so those two never show up in
// reads.
constexpr const char* start_script =
    R"js(function get__nodeValue(str_json,recursion){for(var i in str_json){var a=Object.prototype.toString.call(str_json[i]);if(a=="[object Object]"||a=="[object Array]"){if(recursion){get__nodeValue(str_json[i],recursion)}}else if(a=="[object String]"||a=="[object Number]"||a=="[object Boolean]"){str_all.push(str_json[i])}}return str_all})js"
    R"js(function get__count(c){var obj=Object.prototype.toString.call(c);if(obj=='[object Array]'){return c.length}else{return 0}})js"
    R"js(function get__name_All(a){var obj=Object.prototype.toString.call(a);if(obj=='[object Object]'){var ary=new Array();for(var key in a){if(typeof a[key]!=='function'){ary.push(key)}}return ary.join('\r\n')}else{return''}})js"
    R"js(function get__extend(target,source){if(Object.prototype.toString.call(target)=='[object Array]'){for(var i=0;i<source.length;i++){target.push(source[i])}return target}else{var str_obj;for(var obj in source){str_obj=typeof target[obj];if(str_obj=='string'||str_obj=='boolean'||str_obj=='undefined'){target[obj]=source[obj]}else if(str_obj=='number'){target=target.concat(source)}else if(str_obj=='object'){target[obj]=get__extend(target[obj],source[obj])}}return target}})js"
    R"js(if(typeof JSON!=='object'||JSON===null){JSON={}}
(function(){
function two(n){return n<10?'0'+n:String(n)}
if(typeof Date.prototype.toJSON!=='function'){
Date.prototype.toJSON=function(){return isFinite(this.valueOf())?this.getUTCFullYear()+'-'+two(this.getUTCMonth()+1)+'-'+two(this.getUTCDate())+'T'+two(this.getUTCHours())+':'+two(this.getUTCMinutes())+':'+two(this.getUTCSeconds())+'Z':null};
String.prototype.toJSON=Number.prototype.toJSON=Boolean.prototype.toJSON=function(){return this.valueOf()};
}
if(typeof Object.prototype.toJSONString!=='function'){
Object.prototype.toJSONString=function(replacer){return JSON.stringify(this,replacer)};
Object.prototype.parseJSON=function(reviver){return JSON.parse(this,reviver)};
}
})();)js";

// JSON.stringify (compact; replacer function or name list) and JSON.parse
// (a small reader of its own, never eval; reviver supported) for an engine
// that lacks them. The definitions are guarded, so running it twice is harmless.
constexpr const char* fallback_script =
    R"js((function(){
var hex='0123456789abcdef';
var escaped=/[\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff"\\]/g;
var short_escape={'\b':'\\b','\t':'\\t','\n':'\\n','\f':'\\f','\r':'\\r','"':'\\"','\\':'\\\\'};
function escape_char(c){if(Object.prototype.hasOwnProperty.call(short_escape,c)){return short_escape[c]}var u=c.charCodeAt(0);return '\\u'+hex.charAt(u>>12&15)+hex.charAt(u>>8&15)+hex.charAt(u>>4&15)+hex.charAt(u&15)}
function quote(s){escaped.lastIndex=0;return '"'+s.replace(escaped,escape_char)+'"'}
function own_names(o){var r=[];for(var k in o){if(Object.prototype.hasOwnProperty.call(o,k)){r.push(k)}}return r}
function write(holder,key,replacer,names,seen){
var value=holder[key];
if(value!==null&&typeof value==='object'&&typeof value.toJSON==='function'){value=value.toJSON(key)}
if(typeof replacer==='function'){value=replacer.call(holder,key,value)}
if(value!==null&&typeof value==='object'){var kind=Object.prototype.toString.call(value);if(kind==='[object Number]'){value=Number(value)}else if(kind==='[object String]'){value=String(value)}else if(kind==='[object Boolean]'){value=value.valueOf()}}
switch(typeof value){
case 'string':return quote(value);
case 'number':return isFinite(value)?String(value):'null';
case 'boolean':return String(value);
case 'object':
if(value===null){return 'null'}
for(var s=0;s<seen.length;s++){if(seen[s]===value){throw new TypeError('JSON.stringify: cyclic value')}}
seen.push(value);
var parts=[],i,text;
if(Object.prototype.toString.call(value)==='[object Array]'){
for(i=0;i<value.length;i++){text=write(value,i,replacer,names,seen);parts.push(text===undefined?'null':text)}
seen.pop();return '['+parts.join(',')+']'}
var keys=names||own_names(value);
for(i=0;i<keys.length;i++){text=write(value,keys[i],replacer,names,seen);if(text!==undefined){parts.push(quote(keys[i])+':'+text)}}
seen.pop();return '{'+parts.join(',')+'}'
}
return undefined}
if(typeof JSON.stringify!=='function'){
JSON.stringify=function(value,replacer){
var names=null;
if(Object.prototype.toString.call(replacer)==='[object Array]'){names=[];for(var i=0;i<replacer.length;i++){if(typeof replacer[i]==='string'||typeof replacer[i]==='number'){names.push(String(replacer[i]))}}replacer=undefined}
else if(typeof replacer!=='function'){replacer=undefined}
return write({'':value},'',replacer,names,[])}}
if(typeof JSON.parse!=='function'){
JSON.parse=function(source,reviver){
var text=String(source),at=0;
var number=/-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?(?:[eE][+-]?[0-9]+)?/g;
var simple={'"':'"','\\':'\\','/':'/',b:'\b',f:'\f',n:'\n',r:'\r',t:'\t'};
function fail(why){throw new SyntaxError('JSON.parse: '+why+' at '+at)}
function space(){while(at<text.length){var c=text.charAt(at);if(c!==' '&&c!=='\t'&&c!=='\n'&&c!=='\r'){return}at++}}
function string(){var out='',start=at,c;
for(;;){if(at>=text.length){fail('unterminated string')}
c=text.charAt(at);
if(c==='"'){out+=text.slice(start,at);at++;return out}
if(c<' '){fail('control character in string')}
if(c==='\\'){out+=text.slice(start,at);c=text.charAt(at+1);
if(c==='u'){var h=text.substr(at+2,4);if(!/^[0-9a-fA-F]{4}$/.test(h)){fail('invalid escape')}out+=String.fromCharCode(parseInt(h,16));at+=6}
else if(Object.prototype.hasOwnProperty.call(simple,c)){out+=simple[c];at+=2}
else{fail('invalid escape')}
start=at}
else{at++}}}
function value(depth){
if(depth>1024){fail('nesting too deep')}
space();var c=text.charAt(at),m;
if(c==='{'){at++;var o={};space();if(text.charAt(at)==='}'){at++;return o}
for(;;){space();if(text.charAt(at)!=='"'){fail('expected a member name')}at++;var k=string();space();if(text.charAt(at)!==':'){fail("expected ':'")}at++;
Object.defineProperty(o,k,{value:value(depth+1),writable:true,enumerable:true,configurable:true});
space();c=text.charAt(at++);if(c==='}'){return o}if(c!==','){fail("expected ',' or '}'")}}}
if(c==='['){at++;var a=[];space();if(text.charAt(at)===']'){at++;return a}
for(;;){a.push(value(depth+1));space();c=text.charAt(at++);if(c===']'){return a}if(c!==','){fail("expected ',' or ']'")}}}
if(c==='"'){at++;return string()}
if(text.substr(at,4)==='true'){at+=4;return true}
if(text.substr(at,5)==='false'){at+=5;return false}
if(text.substr(at,4)==='null'){at+=4;return null}
number.lastIndex=at;m=number.exec(text);
if(m!==null&&m.index===at){at+=m[0].length;return Number(m[0])}
fail('unexpected character')}
var result=value(0);space();if(at<text.length){fail('unexpected text after the value')}
if(typeof reviver!=='function'){return result}
function revive(holder,key){var v=holder[key];if(v!==null&&typeof v==='object'){var names=own_names(v);for(var i=0;i<names.length;i++){var n=revive(v,names[i]);if(n===undefined){delete v[names[i]]}else{v[names[i]]=n}}}return reviver.call(holder,key,v)}
return revive({'':result},'')}}
})();)js";

}  // namespace

const char* json_start_script() {
    return start_script;
}

const char* json_fallback_script() {
    return fallback_script;
}

}  // namespace vx::info
