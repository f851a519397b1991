#pragma once
// What the archive check makes of the capture index's answer to
// "?url=<name>&output=json&limit=1&fl=timestamp": a JSON array of rows, the first row the header
// ["timestamp"], then the captures oldest first, each ["YYYYMMDDhhmmss"]. Pure: bytes in, cell out.

#include <string>
#include <string_view>

namespace vantle {

// The Archive cell of a body: the first capture's day "YYYY-MM-DD"; "none" for an empty array or the
// header alone; "bad answer" for anything else (not JSON, another shape, a timestamp that is no date).
std::string ArchiveCellFromCdx(std::string_view body);

}  // namespace vantle
