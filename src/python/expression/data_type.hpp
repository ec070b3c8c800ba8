// DataType: the enumeration of a literal's numeric type (FLOAT = 0, INTEGER = 1).
#pragma once

#include <cstdint>

#include "python/frame/frame.hpp"

namespace zorvane {

enum class DataType : std::uint8_t { Float, Integer };

PyRef new_data_type(DataType value);

}  // namespace zorvane
