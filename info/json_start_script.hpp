#pragma once
// The scripts every document's engine runs first (see json_document.hpp).

namespace vx::info {

// ASCII JavaScript source: the helper functions get__nodeValue, get__count,
// get__name_All and get__extend, then the JSON supplement's part for every
// engine (JSON object, toJSON on dates, toJSONString and parseJSON).
const char* json_start_script();

// The supplement's JSON.stringify and JSON.parse, defined only where missing.
// Kept apart so that an engine with its own JSON does not compile them; run
// it after json_start_script() in an engine that lacks either.
const char* json_fallback_script();

}  // namespace vx::info
