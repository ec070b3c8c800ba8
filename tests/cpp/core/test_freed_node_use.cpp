// A use of a freed node, or of the bytes past a node, is reported by AddressSanitizer although
// nodes live in node memory, which poisons what holds no node: right after the release, and after
// thousands of nodes of the same size were made since (the quarantine). Each use runs in a child
// process that the report ends. Built without AddressSanitizer there is nothing to report.
#include <sys/wait.h>
#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <string>
#include <vector>

#include "core/expression/node.hpp"

using namespace zorvane;

namespace {

Expr symbol(int k) {
  return make_node<PlaceholderNode>([&](PlaceholderNode& p) { p.name = "p" + std::to_string(k); });
}

// A node made and released: what is left is its address.
const Node* freed_node() {
  Expr node = symbol(0);
  const Node* left = node.get();
  return left;
}

// Runs `use` in a child process and checks that AddressSanitizer reported it and ended the child.
template <class F>
void reported(const char* what, F&& use) {
  int out[2];
  assert(::pipe(out) == 0);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  assert(child >= 0);
  if (child == 0) {
    ::dup2(out[1], 2);
    ::close(out[0]);
    use();
    ::_exit(0);
  }
  ::close(out[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) report.append(buffer, std::size_t(n));
  ::close(out[0]);
  int status = 0;
  assert(::waitpid(child, &status, 0) == child);
  const bool ok = !(WIFEXITED(status) && WEXITSTATUS(status) == 0) &&
                  report.find("AddressSanitizer: use-after-poison") != std::string::npos;
  std::fprintf(stderr, "%s: %s\n", what, ok ? "reported" : "NOT reported");
  if (!ok) std::fputs(report.c_str(), stderr);
  assert(ok);
}

}  // namespace

int main() {
  if (kNodeQuarantine == 0) {
    std::puts("freed node use: not built with AddressSanitizer, nothing to check");
    return 0;
  }
  reported("a freed node read right after its release", [] {
    const Node* node = freed_node();
    std::printf("%u\n", unsigned(node->height));
  });
  // Without the quarantine the freed slot would hold the next placeholder, and the read would
  // see that one unreported.
  reported("a freed node read after 5 000 nodes of its size were made", [] {
    const Node* node = freed_node();
    std::vector<Expr> made;
    for (int k = 1; k <= 5'000; ++k) made.push_back(symbol(k));
    std::printf("%u\n", unsigned(node->height));
  });
  reported("the bytes just past a node", [] {
    const Expr node = symbol(0);
    std::printf("%d\n", reinterpret_cast<const volatile char*>(node.get())[sizeof(PlaceholderNode)]);
  });
  std::puts("freed node use: ok");
  return 0;
}
