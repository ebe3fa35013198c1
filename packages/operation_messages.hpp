#pragma once
// Sentences the package operations show when something is refused or fails,
// in the style of the status bar: a leading blank, a bracketed tag, " ..." at
// the end.
#include <string>
#include <string_view>

namespace vx::packages {

inline constexpr std::string_view invalid_name_message =
    "包名无效: 只能包含字母、数字和 . _ - , 并以字母或数字开头和结尾";
inline constexpr std::string_view invalid_version_message =
    "版本号无效: 只能包含字母、数字和 . + ! * _ -";
inline constexpr std::string_view invalid_mirror_message =
    "Pip 源地址无效: 须以 http:// 或 https:// 开头, 请检查 Config.ini";

// " [失败] WHAT 失败 , 重新 加载 已安装包 ..." and friends.
inline std::string failure_sentence(std::string_view what, bool reloading) {
    return " [失败] " + std::string(what) + " 失败" +
           (reloading ? " , 重新 加载 已安装包 ..." : " ...");
}

// The text of a failure's message box: the sentence without its decoration.
inline std::string failure_headline(std::string_view what) {
    return std::string(what) + " 失败, pip 的输出如下:";
}

}  // namespace vx::packages
