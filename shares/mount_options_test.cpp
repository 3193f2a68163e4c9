// The option block's bytes are read by the network provider: pin them, and
// check that the simulated provider reads exactly what the writer wrote.
#include <gtest/gtest.h>

#include "platform/sim/nfs_provider.h"
#include "platform/testing/test_support.h"
#include "shares/mount_options.h"

namespace tw {
namespace {

class MountOptionsTest : public ::testing::Test {
 protected:
  bool Insert(const std::u16string& n, const std::u16string& v) { return InsertMountOption(n, v, &o, diag); }
  ShareMountOptions o;
  testing::CapturingDiagnostics diag;
};

TEST_F(MountOptionsTest, EntriesAndPadding) {
  EXPECT_EQ(o.block.size(), 2187u);
  EXPECT_EQ(GetU16LE(o.block, 0), 0);
  EXPECT_EQ(GetU16LE(o.block, 2), 0x5E31);
  EXPECT_EQ(GetU32LE(o.block, 4), 0u);
  ASSERT_TRUE(Insert(u"user", u""));
  // 12 + 8 + 0 = 20, a multiple of 4.
  EXPECT_EQ(GetU32LE(o.block, 8), 20u);
  EXPECT_EQ(o.block[12], 0);
  EXPECT_EQ(o.block[13], 8);
  EXPECT_EQ(GetU16LE(o.block, 14), 0);
  EXPECT_EQ(GetU16LE(o.block, 16), 'u');
  EXPECT_EQ(GetU32LE(o.block, 4), 20u);
  ASSERT_TRUE(Insert(u"pass", u""));
  EXPECT_EQ(GetU32LE(o.block, 28), 20u);
  ASSERT_TRUE(Insert(u"srvname", u"host"));
  // 12 + 14 + 8 = 34, padded to 36; the length counts up to the value's terminator.
  size_t at = 8 + 40;
  EXPECT_EQ(GetU32LE(o.block, at), 36u);
  EXPECT_EQ(o.block[at + 5], 14);
  EXPECT_EQ(GetU16LE(o.block, at + 6), 8);
  EXPECT_EQ(GetU16LE(o.block, at + 8 + 16), 'h');
  EXPECT_EQ(GetU32LE(o.block, 4), 40u + 34u);
  EXPECT_EQ(o.free_bytes, 2179u - 76u);
  ASSERT_TRUE(Insert(u"mntpt", u"\\x"));
  EXPECT_EQ(o.last_entry, static_cast<long>(at + 36));
  o.Terminate();
  EXPECT_EQ(GetU32LE(o.block, at + 36), 0u);
  EXPECT_EQ(GetU32LE(o.block, at), 36u);  // only the last one changes

  std::map<std::string, std::string> read;
  ASSERT_TRUE(sim::ReadMountOptions(o.block, &read));
  EXPECT_EQ(read.at("srvname"), "host");
  EXPECT_EQ(read.at("mntpt"), "\\x");
  EXPECT_EQ(read.at("user"), "");
}

TEST_F(MountOptionsTest, DuplicatesAndOverflowAreRefusedWithTheirLines) {
  ASSERT_TRUE(Insert(u"port", u"6260"));
  EXPECT_FALSE(Insert(u"port", u"1"));
  ASSERT_EQ(diag.err.size(), 1u);
  EXPECT_EQ(diag.err[0], "Found a duplicate option 'port=6260' while parsing 'port=1'.");
  ASSERT_TRUE(Insert(u"user", u""));
  EXPECT_FALSE(Insert(u"user", u""));
  EXPECT_EQ(diag.err[1], "Found a duplicate option 'user' while parsing 'user'.");
  EXPECT_TRUE(Insert(u"portx", u"1"));  // same prefix, other length: no duplicate

  // Fill the block: each 1,000-character value takes 2,016 bytes.
  diag.Clear();
  ShareMountOptions full;
  EXPECT_TRUE(InsertMountOption(u"a", std::u16string(1000, u'v'), &full, diag));
  EXPECT_FALSE(InsertMountOption(u"b", std::u16string(100, u'v'), &full, diag));
  EXPECT_EQ(diag.err, std::vector<std::string>{"Out of space for options!"});
  // What is left still fits small options, and a walk never leaves the block.
  EXPECT_TRUE(InsertMountOption(u"c", u"1", &full, diag));
  EXPECT_EQ(full.Entries().size(), 2u);
}

TEST_F(MountOptionsTest, ProviderRefusesMalformedBlocks) {
  ASSERT_TRUE(Insert(u"srvname", u"h"));
  o.Terminate();
  std::map<std::string, std::string> read;
  Bytes bad = o.block;
  PutU16LE(bad, 2, 0x1234);
  EXPECT_FALSE(sim::ReadMountOptions(bad, &read));
  bad = o.block;
  PutU32LE(bad, 4, 5000);
  EXPECT_FALSE(sim::ReadMountOptions(bad, &read));
  bad = o.block;
  bad[13] = 200;  // name runs past the entries
  EXPECT_FALSE(sim::ReadMountOptions(bad, &read));
  bad = o.block;
  PutU32LE(bad, 8, 4);  // a next offset inside the entry
  EXPECT_FALSE(sim::ReadMountOptions(bad, &read));
  EXPECT_FALSE(sim::ReadMountOptions(ConstByteSpan(o.block.data(), 6), &read));
  EXPECT_TRUE(sim::ReadMountOptions(o.block, &read));
}

}  // namespace
}  // namespace tw
