// Enciphered store files: the primitives against published vectors, the
// cipher file's unit discipline, and tables kept in enciphered files (read
// back, nothing legible on disk, wrong keys refused cleanly, another process
// with the password sharing the file).
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fault_file.h"
#include "journal_store_util.h"
#include "store/cipher.h"
#include "store/cipher_file.h"
#include "store/mem_file.h"
#include "store/store_file.h"
#include "store/table.h"

namespace kavo {
namespace {

using testing::FaultFileSystem;
using testing::Rows;

std::string Hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string Hex(const crypto::Digest& d) {
  return Hex(d.data(), d.size());
}

std::string Sha(const std::string& s) {
  return Hex(crypto::Sha256(s.data(), s.size()));
}

TEST(StoreCipherPrimitives, Sha256Vectors) {
  EXPECT_EQ(Sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // Lengths around the padding boundary: the length field fits into the last
  // block at 55 bytes and needs another block from 56 on.
  EXPECT_EQ(Sha(std::string(55, 'a')),
            "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
  EXPECT_EQ(Sha(std::string(56, 'a')),
            "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
  EXPECT_EQ(Sha(std::string(64, 'a')),
            "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
  EXPECT_EQ(Sha(std::string(65, 'a')),
            "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0");
}

TEST(StoreCipherPrimitives, HmacAndPbkdf2Vectors) {
  const std::string msg = "what do ya want for nothing?";
  EXPECT_EQ(Hex(crypto::HmacSha256("Jefe", 4, msg.data(), msg.size())),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  // A key longer than the hash's block is hashed first.
  const std::string big_key(131, '\xaa');
  const std::string big_msg = "Test Using Larger Than Block-Size Key - Hash Key First";
  EXPECT_EQ(Hex(crypto::HmacSha256(big_key.data(), big_key.size(), big_msg.data(), big_msg.size())),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");

  // Two output blocks, one iteration.
  uint8_t out[64];
  crypto::Pbkdf2Sha256("passwd", "salt", 1, out, sizeof out);
  EXPECT_EQ(Hex(out, sizeof out),
            "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
            "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
  crypto::Pbkdf2Sha256("password", "salt", 4096, out, 32);
  EXPECT_EQ(Hex(out, 32), "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
}

TEST(StoreCipherPrimitives, ChaCha20BlockVector) {
  uint8_t key[32];
  for (int i = 0; i < 32; ++i) key[i] = static_cast<uint8_t>(i);
  const uint8_t nonce[12] = {0, 0, 0, 9, 0, 0, 0, 0x4a, 0, 0, 0, 0};
  uint8_t out[64];
  crypto::ChaCha20Block(key, 1, nonce, out);
  EXPECT_EQ(Hex(out, sizeof out),
            "10f1e7e4d13b5915500fdd1fa32071c4c7d1f4c733c068030422aa9ac3d46c4e"
            "d2826446079faa0914c2d705d98b02a2b5129cd1de164eb9cbd083e8a2503c4e");
}

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

TEST(StoreUnitCipher, UnitsDecipherOnTheirOwnAndKeysFollowThePassword) {
  UnitCipher c("Sesame");
  const std::vector<uint8_t> plain = Pattern(256);
  std::vector<uint8_t> whole = plain;
  c.Apply(5, whole.data(), whole.size());
  EXPECT_NE(whole, plain);
  // Unit by unit, and a partial tail, give the same bytes as one call.
  std::vector<uint8_t> pieces = plain;
  for (size_t u = 0; u < 4; ++u) c.Apply(5 + u, pieces.data() + 64 * u, 64);
  EXPECT_EQ(pieces, whole);
  std::vector<uint8_t> tail(plain.begin(), plain.begin() + 10);
  c.Apply(5, tail.data(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin()));
  // The same plain bytes in two units encipher differently.
  std::vector<uint8_t> same(128, 0x20);
  c.Apply(0, same.data(), same.size());
  EXPECT_NE(std::memcmp(same.data(), same.data() + 64, 64), 0);
  // Applying again restores.
  c.Apply(5, whole.data(), whole.size());
  EXPECT_EQ(whole, plain);

  EXPECT_TRUE(c.SameKey(UnitCipher("Sesame")));
  EXPECT_FALSE(c.SameKey(UnitCipher("sesame")));
  EXPECT_FALSE(c.SameKey(UnitCipher("Sesame ")));
}

TEST(StoreCipherFile, OnlyWholeUnitsPassAndTheFileBelowHoldsCiphertext) {
  MemFileSystem mem;
  std::unique_ptr<File> raw;
  ASSERT_TRUE(mem.Open("X", OpenMode::kReadWrite, true, &raw).ok());
  auto cipher = std::make_shared<const UnitCipher>("Sesame");
  CipherFile f(std::move(raw), cipher);

  const std::vector<uint8_t> plain = Pattern(512);
  ASSERT_TRUE(f.Write(0, plain.data(), plain.size()).ok());
  const std::string& bytes = mem.Bytes("X");
  ASSERT_EQ(bytes.size(), 512u);
  EXPECT_NE(std::memcmp(bytes.data(), plain.data(), 512), 0);

  // Misplaced or odd-sized I/O is the store's check 313 and changes nothing.
  const std::string before = bytes;
  for (auto [offset, n] : {std::pair<uint64_t, size_t>{32, 64}, {64, 100}, {0, 6}, {1, 63}}) {
    SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(n));
    Status w = f.Write(offset, plain.data(), n);
    EXPECT_EQ(w.code(), err::kFileSystemError);
    EXPECT_EQ(w.check(), store_check::kIoSize);
    std::vector<uint8_t> buf(n);
    size_t got = 99;
    Status r = f.Read(offset, buf.data(), n, &got);
    EXPECT_EQ(r.check(), store_check::kIoSize);
    EXPECT_EQ(got, 0u);
  }
  EXPECT_EQ(bytes, before);

  // A read of a middle unit alone, and one running past the end.
  std::vector<uint8_t> buf(128);
  size_t got = 0;
  ASSERT_TRUE(f.Read(128, buf.data(), 64, &got).ok());
  EXPECT_EQ(got, 64u);
  EXPECT_EQ(std::memcmp(buf.data(), plain.data() + 128, 64), 0);
  ASSERT_TRUE(f.Read(448, buf.data(), 128, &got).ok());
  EXPECT_EQ(got, 64u);
  EXPECT_EQ(std::memcmp(buf.data(), plain.data() + 448, 64), 0);

  // The header comparison sees deciphered bytes.
  bool same = false;
  ASSERT_TRUE(f.StartsWith(plain.data(), 512, &same).ok());
  EXPECT_TRUE(same);
  ASSERT_TRUE(f.StartsWith(bytes.data(), 512, &same).ok());
  EXPECT_FALSE(same);
}

// ---- Tables in enciphered files ----

OpenOptions Keyed(FileSystem* fs, const std::string& owner, bool encrypt = true) {
  OpenOptions o;
  o.fs = fs;
  o.owner = owner;
  o.encrypt = encrypt;
  return o;
}

std::string Secret(int n) {
  return "HIDDEN" + std::to_string(1000 + n);
}

Status OpenKeyed(Table* t, FileSystem* fs, const std::string& owner, bool encrypt = true) {
  return t->Open("LOG", &testing::PeopleDef(), Keyed(fs, owner, encrypt));
}

// Creates LOG.VTF enciphered with "Sesame" and rows 1..n named Secret(n).
void Fill(MemFileSystem* mem, int n, Rows* rows) {
  ASSERT_TRUE(Table::Create("LOG", testing::PeopleDef(), Keyed(mem, "Sesame")).ok());
  Table t;
  ASSERT_TRUE(OpenKeyed(&t, mem, "Sesame").ok());
  for (int i = 1; i <= n; ++i) {
    ASSERT_TRUE(testing::AddPerson(&t, i, Secret(i)).ok());
    (*rows)[i] = Secret(i);
  }
  ASSERT_TRUE(t.Close().ok());
}

TEST(StoreEncipheredTable, ReadsBackSoundWithNothingLegibleOnDisk) {
  MemFileSystem mem;
  Rows want;
  ASSERT_NO_FATAL_FAILURE(Fill(&mem, 300, &want));

  Table t;
  ASSERT_TRUE(OpenKeyed(&t, &mem, "Sesame").ok());
  Rows got;
  ASSERT_TRUE(testing::ReadOpen(&t, &got).ok());
  EXPECT_EQ(got, want);
  // Rewriting every page through a pack keeps it whole.
  ASSERT_TRUE(t.Pack().ok());
  ASSERT_TRUE(testing::ReadOpen(&t, &got).ok());
  EXPECT_EQ(got, want);
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
  ASSERT_TRUE(t.Close().ok());

  const std::string& bytes = mem.Bytes("LOG.VTF");
  ASSERT_GT(bytes.size(), 512u);
  EXPECT_EQ(bytes.size() % 256, 0u);
  EXPECT_EQ(bytes.find("qUaL"), std::string::npos);
  EXPECT_EQ(bytes.find("HIDDEN"), std::string::npos);
  EXPECT_EQ(bytes.find("PEO:NAME"), std::string::npos);
  EXPECT_EQ(bytes.find("UNNAMED"), std::string::npos);

  // A byte copy opens with the same password: the key does not depend on
  // the file's name.
  ASSERT_TRUE(Table::Copy("LOG", "COPY", &mem).ok());
  Table copy;
  ASSERT_TRUE(copy.Open("COPY", &testing::PeopleDef(), Keyed(&mem, "Sesame")).ok());
  ASSERT_TRUE(testing::ReadOpen(&copy, &got).ok());
  EXPECT_EQ(got, want);
}

TEST(StoreEncipheredTable, WrongOrMissingKeyIsInvalidDataFile) {
  MemFileSystem mem;
  Rows want;
  ASSERT_NO_FATAL_FAILURE(Fill(&mem, 20, &want));
  const std::string before = mem.Bytes("LOG.VTF");
  struct Case {
    const char* owner;
    bool encrypt;
  };
  for (Case c : {Case{"sesame", true}, Case{"Sesame ", true}, Case{"", true}, Case{"", false},
                 Case{"Sesame", false}}) {
    SCOPED_TRACE(std::string("owner '") + c.owner + "' encrypt " + std::to_string(c.encrypt));
    Table t;
    EXPECT_EQ(OpenKeyed(&t, &mem, c.owner, c.encrypt).code(), err::kInvalidDataFile);
    EXPECT_FALSE(t.is_open());
    // Nor may a create through the wrong key touch the file.
    EXPECT_FALSE(Table::Create("LOG", testing::PeopleDef(), Keyed(&mem, c.owner, c.encrypt)).ok());
  }
  EXPECT_EQ(mem.Bytes("LOG.VTF"), before);
  Rows got;
  Table t;
  ASSERT_TRUE(OpenKeyed(&t, &mem, "Sesame").ok());
  ASSERT_TRUE(testing::ReadOpen(&t, &got).ok());
  EXPECT_EQ(got, want);
}

TEST(StoreEncipheredTable, DeclaredEncryptAttributeEnciphersWithTheOwner) {
  MemFileSystem mem;
  TableDef def = testing::PeopleDef();
  def.attributes |= kTableEncrypt;
  ASSERT_TRUE(Table::Create("LOG", def, Keyed(&mem, "Sesame", false)).ok());
  EXPECT_EQ(mem.Bytes("LOG.VTF").find("qUaL"), std::string::npos);
  Table t;
  ASSERT_TRUE(t.Open("LOG", &def, Keyed(&mem, "Sesame", false)).ok());
  ASSERT_TRUE(testing::AddPerson(&t, 1, Secret(1)).ok());
}

TEST(StoreEncipheredTable, OpenInstanceRefusesAnotherKey) {
  MemFileSystem mem;
  Rows want;
  ASSERT_NO_FATAL_FAILURE(Fill(&mem, 5, &want));
  Table first;
  ASSERT_TRUE(OpenKeyed(&first, &mem, "Sesame").ok());
  for (auto [owner, encrypt] : {std::pair<const char*, bool>{"Wrong", true}, {"", false}}) {
    Table other;
    EXPECT_EQ(OpenKeyed(&other, &mem, owner, encrypt).code(), err::kAccessDenied) << owner;
  }
  Table second;
  ASSERT_TRUE(OpenKeyed(&second, &mem, "Sesame").ok());
  Rows got;
  ASSERT_TRUE(testing::ReadOpen(&second, &got).ok());
  EXPECT_EQ(got, want);

  // And a plain file open in the process is not reopened through a key.
  ASSERT_TRUE(testing::CreatePeople("PLAIN", &mem).ok());
  Table plain, keyed;
  ASSERT_TRUE(testing::OpenPeople(&plain, "PLAIN", &mem).ok());
  EXPECT_EQ(keyed.Open("PLAIN", &testing::PeopleDef(), Keyed(&mem, "Sesame")).code(),
            err::kAccessDenied);
}

TEST(StoreEncipheredTable, AnotherProcessWithThePasswordSharesTheFile) {
  MemFileSystem mem;
  Rows want;
  ASSERT_NO_FATAL_FAILURE(Fill(&mem, 40, &want));
  FaultFileSystem other(&mem);  // a second process over the same bytes

  Table mine, theirs;
  ASSERT_TRUE(OpenKeyed(&mine, &mem, "Sesame").ok());
  // The other process has its own instance, so a wrong key there meets the
  // enciphered header rather than this process's instance.
  EXPECT_EQ(OpenKeyed(&theirs, &other, "Wrong").code(), err::kInvalidDataFile);
  ASSERT_TRUE(OpenKeyed(&theirs, &other, "Sesame").ok());
  Rows got;
  ASSERT_TRUE(testing::ReadOpen(&theirs, &got).ok());
  EXPECT_EQ(got, want);

  ASSERT_TRUE(testing::AddPerson(&theirs, 41, Secret(41)).ok());
  ASSERT_TRUE(testing::PutPerson(&mine, 3, "CHANGED").ok());
  want[41] = Secret(41);
  want[3] = "CHANGED";
  ASSERT_TRUE(testing::ReadOpen(&mine, &got).ok());
  EXPECT_EQ(got, want);
  ASSERT_TRUE(testing::ReadOpen(&theirs, &got).ok());
  EXPECT_EQ(got, want);
  std::vector<std::string> problems;
  ASSERT_TRUE(theirs.Verify(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

// A commit stopped at every write and flush in turn: the next process finds
// the old or the new row, never a damaged file.
TEST(StoreEncipheredTable, CommitStoppedAnywhereRecovers) {
  int64_t calls = 0;
  {
    MemFileSystem mem;
    Rows want;
    ASSERT_NO_FATAL_FAILURE(Fill(&mem, 30, &want));
    FaultFileSystem fs(&mem);
    Table t;
    ASSERT_TRUE(OpenKeyed(&t, &fs, "Sesame").ok());
    int64_t start = fs.calls();
    ASSERT_TRUE(testing::PutPerson(&t, 7, "SEVEN").ok());
    calls = fs.calls() - start;
  }
  ASSERT_GT(calls, 4);
  for (int64_t at = 0; at < calls; ++at) {
    SCOPED_TRACE("stop at call " + std::to_string(at));
    MemFileSystem mem;
    Rows want;
    ASSERT_NO_FATAL_FAILURE(Fill(&mem, 30, &want));
    {
      FaultFileSystem fs(&mem);
      Table t;
      ASSERT_TRUE(OpenKeyed(&t, &fs, "Sesame").ok());
      fs.Arm(fs.calls() + at);
      (void)testing::PutPerson(&t, 7, "SEVEN");
    }
    Table t;
    // Every other stop is found by a read-only open, which resolves the
    // journal through a writable instance of its own.
    OpenOptions o = Keyed(&mem, "Sesame");
    if (at % 2 == 1) o.mode = OpenMode::kReadOnly;
    Status opened = t.Open("LOG", &testing::PeopleDef(), o);
    ASSERT_TRUE(opened.ok()) << opened.code() << " check " << opened.detail();
    Rows got;
    ASSERT_TRUE(testing::ReadOpen(&t, &got).ok());
    Rows after = want;
    after[7] = "SEVEN";
    EXPECT_TRUE(got == want || got == after);
    ASSERT_TRUE(t.Close().ok());
    std::vector<std::string> problems;
    ASSERT_TRUE(OpenKeyed(&t, &mem, "Sesame").ok());
    ASSERT_TRUE(t.Verify(&problems).ok());
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
}

}  // namespace
}  // namespace kavo
