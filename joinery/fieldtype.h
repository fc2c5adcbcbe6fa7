#pragma once

#include <cstdint>

// How a value is written into a statement of a collection-mode join: text values between
// single quotes, numbers as they stand. Any other number behaves like NUMERICFLD.
enum FieldType : std::int32_t {
    STRINGFLD = 1,
    NUMERICFLD = 2,
};
