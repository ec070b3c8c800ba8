// The named variables of a problem's entries, kept up to date by `+=`, so that an add is judged
// by looking names up instead of walking the whole problem again.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/expression/node.hpp"

namespace zorvane {

/// One entry of a problem: the objective, or a constraint or penalty term under its map key.
struct EntryKey {
  enum class Part : std::uint8_t { Objective, Constraint, Penalty };
  Part part;
  const std::string* key = nullptr;  ///< null for the objective
};

/// The placeholders, elements and decision variables of every entry of a problem, by name:
/// each distinct variable (told apart by `interchangeable_variables`, so equal spellings of a
/// number such as 10 and 10.0 are one) with the number of entries that hold it.
///
/// It answers one question without a walk over the problem: would the full name check of a
/// new entry against the rest of the problem (`NameRegistry`) certainly pass? It would when the
/// rest holds one variable under each name the entry uses (so the first one met, which the
/// full check compares against, is known up to interchangeability, and interchangeable nodes
/// compare alike under `same_variable`) and the entry's variables are the same variable. Everything else (a clash, or a problem read as stored
/// that holds two variables under one name) is left to the full check.
///
/// Valid only while every change of an entry goes through `record`. A copy starts unbuilt, so a
/// problem that is copied or read is indexed on its first `+=`.
class NameIndex {
 public:
  /// The variables of one entry: one node per distinct variable, grouped by name in ascending
  /// order, the first met first within its name.
  using Variables = std::vector<Expr>;

  NameIndex() = default;
  NameIndex(const NameIndex&) noexcept {}
  NameIndex& operator=(const NameIndex&) noexcept {
    clear();
    return *this;
  }
  NameIndex(NameIndex&&) noexcept = default;
  NameIndex& operator=(NameIndex&&) noexcept = default;

  /// The variables that the name check meets in `expressions`, walked in order.
  static Variables scan(std::initializer_list<const Node*> expressions);

  bool built() const noexcept { return built_; }
  /// Every entry of the problem has been recorded.
  void set_built() noexcept { built_ = true; }
  /// Unbuilt and empty.
  void clear() noexcept;

  /// True only when the name check of an entry holding `added` against every other entry
  /// (every one but `key`) passes: false says nothing.
  bool accepts(const EntryKey& key, const Variables& added) const;
  /// Records `variables` as what the entry under `key` holds now, in place of what it held.
  /// When it throws, the index is left cleared.
  void record(const EntryKey& key, Variables variables);

 private:
  struct Distinct {
    Expr variable;
    std::size_t entries = 0;
  };

  const Variables* find(const EntryKey& key) const;
  Variables& slot(const EntryKey& key);
  void count(const Node& variable);
  void uncount(const Node& variable);

  std::unordered_map<std::string, std::vector<Distinct>> names_;
  Variables objective_;
  std::unordered_map<std::string, Variables> constraints_;  // by name, in no order: only looked up
  std::unordered_map<std::string, Variables> penalties_;
  bool built_ = false;
};

}  // namespace zorvane
