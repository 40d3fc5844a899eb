#include "runtime/chartab.h"

#include "runtime_state.h"

namespace kavo {
namespace {

uint8_t Byte(char c) {
  return static_cast<uint8_t>(c);
}

// The text with every letter of class `from` replaced by its partner.
std::string Folded(std::string_view text, uint8_t from) {
  const CharTables& t = ProcessCharTables();
  std::string out(text);
  for (char& c : out) {
    uint8_t b = Byte(c);
    if (t.klass[b] & from) c = static_cast<char>(t.partner[b]);
  }
  return out;
}

}  // namespace

CharTables CharTables::Defaults() {
  CharTables t;
  for (int i = 0; i < 256; ++i) {
    t.collation[i] = static_cast<uint8_t>(i);
    t.partner[i] = static_cast<uint8_t>(i);
    t.klass[i] = 0;
  }
  for (int i = 0; i < 26; ++i) {
    t.partner['A' + i] = static_cast<uint8_t>('a' + i);
    t.partner['a' + i] = static_cast<uint8_t>('A' + i);
    t.klass['A' + i] = kClassUpper;
    t.klass['a' + i] = kClassLower;
  }
  for (int i = '0'; i <= '9'; ++i) t.klass[i] = kClassDigit;
  return t;
}

bool CharTables::AddCasePairs(std::string_view upper, std::string_view lower) {
  if (upper.size() != lower.size()) return false;
  CharTables next = *this;
  for (size_t i = 0; i < upper.size(); ++i) {
    uint8_t u = Byte(upper[i]);
    uint8_t l = Byte(lower[i]);
    if (u == l) return false;
    // A byte may be re-paired only with the partner it already has.
    if (next.partner[u] != u && next.partner[u] != l) return false;
    if (next.partner[l] != l && next.partner[l] != u) return false;
    next.partner[u] = l;
    next.partner[l] = u;
    next.klass[u] = static_cast<uint8_t>((next.klass[u] & ~kClassLower) | kClassUpper);
    next.klass[l] = static_cast<uint8_t>((next.klass[l] & ~kClassUpper) | kClassLower);
  }
  *this = next;
  return true;
}

bool CharTables::SetCollationOrder(std::string_view order) {
  if (order.empty()) return true;
  bool listed[256] = {};
  for (char c : order) {
    if (listed[Byte(c)]) return false;
    listed[Byte(c)] = true;
  }
  // Bytes in their present sort order, the listed ones moved as one block
  // to where the first of them stood.
  uint8_t by_weight[256];
  for (int i = 0; i < 256; ++i) by_weight[collation[i]] = static_cast<uint8_t>(i);
  uint8_t sequence[256];
  int n = 0;
  bool block_placed = false;
  uint8_t first = Byte(order[0]);
  for (int w = 0; w < 256; ++w) {
    uint8_t c = by_weight[w];
    if (c == first && !block_placed) {
      for (char o : order) sequence[n++] = Byte(o);
      block_placed = true;
    }
    if (!listed[c]) sequence[n++] = c;
  }
  for (int w = 0; w < 256; ++w) collation[sequence[w]] = static_cast<uint8_t>(w);
  return true;
}

const CharTables& ProcessCharTables() {
  return runtime_state::Tables();
}

void SetProcessCharTables(const CharTables& tables) {
  runtime_state::SetTables(tables);
}

char UpperChar(char c) {
  const CharTables& t = ProcessCharTables();
  uint8_t b = Byte(c);
  return (t.klass[b] & kClassLower) ? static_cast<char>(t.partner[b]) : c;
}

char LowerChar(char c) {
  const CharTables& t = ProcessCharTables();
  uint8_t b = Byte(c);
  return (t.klass[b] & kClassUpper) ? static_cast<char>(t.partner[b]) : c;
}

std::string Upper(std::string_view text) {
  return Folded(text, kClassLower);
}

std::string Lower(std::string_view text) {
  return Folded(text, kClassUpper);
}

bool IsUpperChar(char c) {
  return ProcessCharTables().klass[Byte(c)] & kClassUpper;
}
bool IsLowerChar(char c) {
  return ProcessCharTables().klass[Byte(c)] & kClassLower;
}
bool IsDigitChar(char c) {
  return ProcessCharTables().klass[Byte(c)] & kClassDigit;
}

uint8_t CollationWeight(char c) {
  return ProcessCharTables().collation[Byte(c)];
}

int CompareCollated(std::string_view a, std::string_view b) {
  const CharTables& t = ProcessCharTables();
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int d = t.collation[Byte(a[i])] - t.collation[Byte(b[i])];
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int CompareCollatedNoCase(std::string_view a, std::string_view b) {
  const CharTables& t = ProcessCharTables();
  auto fold = [&t](char c) {
    uint8_t x = Byte(c);
    return (t.klass[x] & kClassLower) ? t.partner[x] : x;
  };
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int d = t.collation[fold(a[i])] - t.collation[fold(b[i])];
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace kavo
