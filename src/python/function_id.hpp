// Every module function, from functions.def: ids in the module's order and the argument parser's
// record of each (the implementations are in functions/).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "python/frame/args.hpp"

#define ZORVANE_UNPAREN(...) __VA_ARGS__

namespace zorvane {

enum class FunctionId : std::uint8_t {
#define ZORVANE_FUNCTION(Name, Callee, Params) Name,
#include "python/functions.def"
#undef ZORVANE_FUNCTION
};

inline constexpr std::size_t kFunctionCount = 0
#define ZORVANE_FUNCTION(Name, Callee, Params) +1
#include "python/functions.def"
#undef ZORVANE_FUNCTION
    ;

/// The parser's record of each function, indexed by `FunctionId`.
inline constexpr std::array<Signature, kFunctionCount> kFunctionSignatures{{
#define ZORVANE_FUNCTION(Name, Callee, Params) make_signature(nullptr, #Name, {ZORVANE_UNPAREN Params}),
#include "python/functions.def"
#undef ZORVANE_FUNCTION
}};

constexpr const Signature& signature_of(FunctionId id) { return kFunctionSignatures[std::size_t(id)]; }

}  // namespace zorvane
