// Sizes and lengths as people write them on a command line (--size, --time),
// rather than in the window's capacity language, where 700k is 700 MB.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace voltrak::cli {

// A value read from the command line, or why it could not be.
struct UnitReading {
  std::optional<uint32_t> Value;
  std::string Error;  // names the text, for "--size: ..."
};

// A size in bytes, given plain (650000000) or with a unit as coreutils reads
// them: KB, MB, GB, TB count in powers of 1000, KiB ... TiB and the bare
// letters K, M, G, T in powers of 1024; B is bytes; letters in any case, a
// blank allowed before the unit, a decimal fraction before it (4.7GB).
// Gives kilobytes (bytes / 1024, rounded down), at most 4294967295.
UnitReading ParseSize(std::string_view text);

// A length: h:mm:ss or m:ss (1:20:00, 80:00), or numbers each with a unit
// (80min, 1h20m, 4800s, 1.5h; s, m, h, d, w or their words), or a bare number
// of seconds. Gives whole seconds, rounded down, at most 4294967295.
UnitReading ParseLength(std::string_view text);

}  // namespace voltrak::cli
