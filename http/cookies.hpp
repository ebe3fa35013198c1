#pragma once
// Cookie bookkeeping of a request: the caller keeps its cookies as one text of
// "name=value" items separated by "; "; a reply's Set-Cookie lines are
// gathered and merged into it.
#include <string>
#include <string_view>

namespace vx::http {

// Text before the first "=" of the item, trimmed; the whole item trimmed when
// it has no "=".
std::string cookie_name(std::string_view item);

// The first name=value pair of every reply line whose name is exactly
// "Set-Cookie" (followed by ": "), in reply order, joined with "; ".
// Attributes such as Path or Expires are dropped.
std::string gather_reply_cookies(std::string_view reply_headers);

// The caller's cookie text with every "Cookie:" removed, ignoring case.
std::string strip_cookie_markers(std::string_view cookies);

// The new text's items first, then the old items whose names the new text does
// not set; items ending with "=deleted" and repeated items are dropped.
std::string merge_cookie_text(std::string_view old_text, std::string_view new_text);

// Splits at separator and keeps each item only at its first occurrence
// (whole items, case-sensitive), joined with separator.
std::string remove_duplicate_items(std::string_view text, std::string_view separator);

}  // namespace vx::http
