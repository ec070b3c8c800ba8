// Text signatures from the parser's records: positional parameters, "*args" or a bare "*" before
// the keyword-only ones, each optional one with the text of its default.
#include "python/frame/text_signature.hpp"

#include <deque>
#include <new>

namespace zorvane {

std::string text_signature(const Signature& sig, Receiver receiver) {
  std::string out = "(";
  const auto add = [&](const std::string& item) {
    if (out.size() > 1) out += ", ";
    out += item;
  };
  if (receiver == Receiver::Self) add("$self");
  for (std::size_t i = 0; i < sig.size(); ++i) {
    if (i == sig.positional) add(sig.var_positional ? std::string("*") + sig.var_positional_name : "*");
    add(sig.defaults[i] != nullptr ? std::string(sig.names[i]) + "=" + sig.defaults[i] : sig.names[i]);
  }
  if (sig.keyword_only == 0 && sig.var_positional) add(std::string("*") + sig.var_positional_name);
  return out + ")";
}

std::string with_signature(const char* name, const std::string& signature, const char* body) {
  return std::string(name) + signature + "\n--\n\n" + (body != nullptr ? body : "");
}

// Method tables are filled while the module is loaded, before anything could report an error: a
// text that cannot be allocated then is left out (no documentation) rather than ending the process.
const char* signature_doc(const char* name, const Signature& sig, Receiver receiver, const char* body) noexcept {
  try {
    static std::deque<std::string> kept;  // a deque never moves its elements
    kept.push_back(with_signature(name, text_signature(sig, receiver), body));
    return kept.back().c_str();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace zorvane
