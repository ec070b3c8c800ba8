// A JSON string of 4 GiB or more is read whole: its event keeps every byte of its length. The
// text is 4 GiB of address space over 3 MiB of memory: one buffer's chunks mapped again and again.
#include <sys/mman.h>
#include <unistd.h>

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/interrupt.hpp"
#include "core/json/reader.hpp"

using namespace zorvane;

namespace {

constexpr std::size_t kChunk = std::size_t(1) << 20;

// `{"` + `length` bytes 'k' + `":1}`, as a view of mapped memory (never unmapped).
std::string_view text_with_key(std::size_t length) {
  const std::string head = "{\"";
  const std::string tail = "\":1}";
  const std::size_t size = head.size() + length + tail.size();
  const std::size_t chunks = (size + kChunk - 1) / kChunk;
  // The file holds a first chunk, a middle one and a last one; every other chunk maps the middle.
  const int fd = memfd_create("long-json-text", 0);
  assert(fd >= 0);
  const int sized = ftruncate(fd, off_t(3 * kChunk));
  assert(sized == 0);
  std::string bytes(3 * kChunk, 'k');
  bytes.replace(0, head.size(), head);
  const std::size_t tail_at = 2 * kChunk + (size - tail.size()) % kChunk;
  assert(tail_at + tail.size() <= bytes.size());  // the tail does not cross the last chunk
  bytes.replace(tail_at, tail.size(), tail);
  const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), 0);
  assert(written == ssize_t(bytes.size()));
  auto* base = static_cast<char*>(mmap(nullptr, chunks * kChunk, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
  assert(base != MAP_FAILED);
  for (std::size_t i = 0; i < chunks; ++i) {
    const off_t from = off_t(i == 0 ? 0 : i + 1 == chunks ? 2 * kChunk : kChunk);
    void* at = mmap(base + i * kChunk, kChunk, PROT_READ, MAP_SHARED | MAP_FIXED, fd, from);
    assert(at == base + i * kChunk);
  }
  close(fd);
  return {base, size};
}

void check_key_read_whole(std::size_t length) {
  const std::string_view text = text_with_key(length);
  json::EventList list;
  InterruptPoll poll;
  const bool plain = json::read_events(text, json::Reading::Any, list, poll);
  assert(plain);  // the plain reader's strings are the text's own bytes
  assert(list.events.size() == 4);
  const json::Event& key = list.events[1];
  assert(key.kind == json::Event::Kind::Key);
  const std::string_view read = list.string(key);
  assert(read.size() == length);
  assert(read.data() == text.data() + 2);
  assert(key.offset == 2 + length + 1);
  assert(list.events[3].offset == text.size());
}

}  // namespace

int main() {
  check_key_read_whole((std::size_t(1) << 32) + 5);  // 5 bytes in 32 bits
  std::puts("ok");
}
