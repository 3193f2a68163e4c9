// the PDU records (offsets and sizes pinned), text keys, the wire
// form and the receive loop over hostile bytes.
#include "iscsi/pdu.h"

#include <gtest/gtest.h>

#include <string>

#include "iscsi/connection.h"
#include "iscsi/login.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/testing/stream_sockets.h"

namespace tw {
namespace {

using testing::Keys;
using testing::PduSpec;
using testing::StreamSockets;
using testing::TextData;

std::string DataText(const IscsiPdu& pdu) {
  ConstByteSpan d = pdu.UsedData();
  return std::string(reinterpret_cast<const char*>(d.data), d.size);
}

// A session with one connected connection over a stream of canned bytes.
struct Fixture {
  explicit Fixture(std::vector<Bytes> streams = {{}}, size_t piece = SIZE_MAX)
      : sockets(std::move(streams), piece), session(sockets, config, HostToNet32(0x7F000001), 3260) {
    EXPECT_EQ(OpenConnection(session), 0);
  }
  StreamSockets sockets;
  InitiatorConfig config;
  IscsiSession session;
};

TEST(IscsiPdu, LoginRequestBhsOffsets) {
  Fixture f;
  f.session.current->expStatSN = 0x01020304;
  f.session.cmdSN = 0x0A0B0C0D;
  auto pdu = BuildLoginRequest(f.session);
  ASSERT_TRUE(pdu);
  const uint8_t* b = pdu->bhs;
  EXPECT_EQ(sizeof pdu->bhs, 48u);
  EXPECT_EQ(b[0], 0x43);
  EXPECT_EQ(b[1], 0x81);
  EXPECT_EQ(b[2], 0);
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(b[4], 0);
  const std::string keys = DataText(*pdu);
  EXPECT_EQ(GetU24BE(pdu->Bhs(), 5), keys.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 8), 6), "veltid");
  EXPECT_EQ(b[14], 0);
  EXPECT_EQ(b[15], 0);
  EXPECT_EQ(b[16], 0x55);
  EXPECT_EQ(b[17], 0x55);
  EXPECT_EQ(b[18], 0xFF);
  EXPECT_EQ(b[19], 0xFF);
  EXPECT_EQ(b[20], 0);  // CID 1, big-endian
  EXPECT_EQ(b[21], 1);
  EXPECT_EQ(b[22], 0);
  EXPECT_EQ(b[23], 0);
  EXPECT_EQ(GetU32BE(pdu->Bhs(), 24), 0x0A0B0C0Du);
  EXPECT_EQ(b[24], 0x0A);
  EXPECT_EQ(GetU32BE(pdu->Bhs(), 28), 0x01020304u);
  EXPECT_EQ(b[28], 0x01);
  for (int i = 32; i < 48; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(pdu->dataCapacity, 2048u);
  EXPECT_EQ(keys, std::string("InitiatorName=iqn.2008-09.com.velthorn:initiator\0"
                              "SessionType=Discovery\0AuthMethod=None\0",
                              87));
}

TEST(IscsiPdu, AddTextKeyCountsNulsAndNeverCutsAnEntry) {
  auto pdu = NewPdu(0, 20);
  EXPECT_EQ(AddTextKey(*pdu, "A", "1"), 0);  // 4 bytes
  EXPECT_EQ(pdu->DataSegmentLength(), 4u);
  EXPECT_EQ(AddTextKey(*pdu, "Key", "toolongvalue"), -1);  // 17 > 16 left
  EXPECT_EQ(pdu->DataSegmentLength(), 4u);
  EXPECT_EQ(pdu->data[4], 0);  // unchanged
  EXPECT_EQ(AddTextKey(*pdu, "Key", "value678901"), 0);  // exactly the 16 left
  EXPECT_EQ(pdu->DataSegmentLength(), 20u);
  EXPECT_EQ(AddTextKey(*pdu, "", ""), -1);
  EXPECT_EQ(DataText(*pdu), std::string("A=1\0Key=value678901\0", 20));
  // DataSegmentLength lives in BHS bytes 5..7, most significant first.
  EXPECT_EQ(pdu->bhs[5], 0);
  EXPECT_EQ(pdu->bhs[6], 0);
  EXPECT_EQ(pdu->bhs[7], 20);
}

TEST(IscsiPdu, FindTextKeyMatchesWholeKeysAndCutsToTheBuffer) {
  auto pdu = NewPdu(0, 512);
  AddTextKey(*pdu, "MaxBurst", "1");
  AddTextKey(*pdu, "MaxBurstLength", std::string(100, 'v'));
  AddTextKey(*pdu, "Max", "3");
  std::string v;
  EXPECT_EQ(FindTextKey("MaxBurstLength", *pdu, 64, &v), 1);
  EXPECT_EQ(v, std::string(63, 'v'));
  EXPECT_EQ(FindTextKey("MaxBurs", *pdu, 64, &v), 0);  // prefix of a key
  EXPECT_EQ(FindTextKey("MaxBurstLengthX", *pdu, 64, &v), 0);  // key is a prefix of it
  EXPECT_EQ(FindTextKey("Max", *pdu, 64, &v), 1);
  EXPECT_EQ(v, "3");
  EXPECT_EQ(FindTextKey("", *pdu, 64, &v), 0);
  // The first matching entry wins; NULs between entries are skipped.
  auto twice = NewPdu(0, 64);
  twice->data = {'\0', '\0', 'K', '=', 'a', '\0', '\0', 'K', '=', 'b', '\0'};
  twice->dataCapacity = 11;
  PutU24BE(twice->Bhs(), 5, 11);
  EXPECT_EQ(FindTextKey("K", *twice, 64, &v), 1);
  EXPECT_EQ(v, "a");
  // No data at all.
  auto empty = NewPdu(0, 0);
  EXPECT_EQ(FindTextKey("K", *empty, 64, &v), 0);
}

TEST(IscsiPdu, FindTextKeyNeverReadsPastTheSegment) {
  // The data buffer holds exactly the segment: an unterminated last entry
  // and a key that runs to the end. ASan flags any read past it.
  for (const std::string& text : {std::string("K=abc"), std::string("Kx"), std::string("K"),
                                  std::string("K="), std::string("=v")}) {
    IscsiPdu pdu;
    pdu.data.assign(text.begin(), text.end());
    pdu.dataCapacity = static_cast<uint32_t>(text.size());
    PutU24BE(pdu.Bhs(), 5, static_cast<uint32_t>(text.size()));
    std::string v = "untouched";
    int found = FindTextKey("K", pdu, 64, &v);
    if (text == "K=abc") {
      EXPECT_EQ(found, 1);
      EXPECT_EQ(v, "abc");
    } else if (text == "K=") {
      EXPECT_EQ(found, 1);
      EXPECT_EQ(v, "");
    } else {
      EXPECT_EQ(found, 0) << text;
    }
  }
  // A DataSegmentLength larger than the buffer is clipped to the buffer.
  IscsiPdu lying;
  lying.data = {'K', '=', '1'};
  PutU24BE(lying.Bhs(), 5, 0xFFFFFF);
  std::string v;
  EXPECT_EQ(FindTextKey("K", lying, 64, &v), 1);
  EXPECT_EQ(v, "1");
}

TEST(IscsiPdu, SerializePadsToFourAndReportsTheSize) {
  auto pdu = NewPdu(0, 48);
  pdu->bhs[0] = 0x44;
  AddTextKey(*pdu, "A", "");  // "A=\0" is 3 bytes
  uint32_t size = 0;
  EXPECT_EQ(SerializePdu(*pdu, nullptr, &size), -1);
  EXPECT_EQ(size, 52u);
  Bytes out(51, 0xEE);
  size = 51;
  EXPECT_EQ(SerializePdu(*pdu, out.data(), &size), -1);
  EXPECT_EQ(size, 52u);
  out.assign(60, 0xEE);
  size = 60;
  EXPECT_EQ(SerializePdu(*pdu, out.data(), &size), 52);
  EXPECT_EQ(size, 52u);
  EXPECT_EQ(out[0], 0x44);
  EXPECT_EQ(out[7], 3);
  EXPECT_EQ(out[48], 'A');
  EXPECT_EQ(out[49], '=');
  EXPECT_EQ(out[50], 0);
  EXPECT_EQ(out[51], 0);  // padding
  EXPECT_EQ(out[55], 0);  // the rest of the buffer zeroed
  // AHS rounded up and kept; a lying length cannot be serialised.
  auto ahs = NewPdu(5, 0);
  size = 0;
  SerializePdu(*ahs, nullptr, &size);
  EXPECT_EQ(size, 56u);
  EXPECT_EQ(ahs->ahsLength, 8u);
  auto lying = NewPdu(0, 4);
  PutU24BE(lying->Bhs(), 5, 5);
  size = 100;
  EXPECT_EQ(SerializePdu(*lying, nullptr, &size), -1);
  EXPECT_EQ(size, 0u);
  Fixture f;
  EXPECT_EQ(SendPdu(f.sockets, f.session.current->socket, *lying), -6);
}

TEST(IscsiPdu, TextEntriesEndAtAnEmptyEntry) {
  const Bytes data = TextData({{"TargetName", "a"}, {"TargetAddress", "x"}});
  auto entries = TextEntries(data);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], "TargetName=a");
  Bytes stop = data;
  stop.insert(stop.begin() + 13, '\0');  // an empty entry after the first
  EXPECT_EQ(TextEntries(stop).size(), 1u);
  const std::string tail = "A=1";
  EXPECT_EQ(TextEntries(ConstByteSpan(reinterpret_cast<const uint8_t*>(tail.data()), 3))[0], "A=1");
  EXPECT_TRUE(TextEntries(ConstByteSpan()).empty());
}

TEST(IscsiReceive, DataLengthFiveIsReadAsFiftySixBytesWithoutPadding) {
  PduSpec s;
  s.opcode = 0x24;
  s.flags = 0x80;
  s.data = {'A', '=', 'b', 'c', 0};
  Bytes wire = testing::Pdu(s);
  ASSERT_EQ(wire.size(), 56u);
  // Behind it, in the same recv, the next PDU (a reply with no data).
  PduSpec next;
  next.opcode = 0x26;
  next.flags = 0x80;
  const Bytes second = testing::Pdu(next);
  Bytes stream = wire;
  stream.insert(stream.end(), second.begin(), second.end());
  for (size_t chunk : {size_t{3}, stream.size()}) {  // three bytes at a time, then all at once
    Fixture f({stream}, chunk);
    int error = 0;
    auto pdu = ReceivePdu(f.session, f.session.current->socket, &error);
    ASSERT_TRUE(pdu) << chunk;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(pdu->data, (Bytes{'A', '=', 'b', 'c', 0}));
    EXPECT_EQ(pdu->dataCapacity, 5u);
    EXPECT_EQ(pdu->Opcode(), 0x24);
    EXPECT_FALSE(pdu->next);
    // The receive took 56: the next PDU starts right behind, whole.
    auto after = ReceivePdu(f.session, f.session.current->socket, &error);
    ASSERT_TRUE(after) << chunk;
    EXPECT_EQ(after->Opcode(), 0x26);
    EXPECT_TRUE(after->data.empty());
    EXPECT_FALSE(ReceivePdu(f.session, f.session.current->socket, &error));
    EXPECT_EQ(error, -1);  // then the peer closed
  }
}

TEST(IscsiReceive, KeepsTheAhsAndChainsDataInUntilFinal) {
  PduSpec in;
  in.opcode = 0x25;
  in.ahsWords = 2;
  in.data = {1, 2, 3};
  Bytes stream = testing::Pdu(in);
  stream.insert(stream.end(), stream.begin(), stream.end());  // a second, not final
  in.flags = 0x80;
  in.ahsWords = 0;
  Bytes last = testing::Pdu(in);
  stream.insert(stream.end(), last.begin(), last.end());
  Fixture f({stream});
  int error = 0;
  auto pdu = ReceivePdu(f.session, f.session.current->socket, &error);
  ASSERT_TRUE(pdu);
  EXPECT_EQ(pdu->ahsLength, 8u);
  EXPECT_EQ(pdu->ahs.size(), 8u);
  ASSERT_TRUE(pdu->next);
  ASSERT_TRUE(pdu->next->next);
  EXPECT_FALSE(pdu->next->next->next);
  EXPECT_EQ(pdu->next->next->ahsLength, 0u);
  EXPECT_EQ(pdu->next->next->data, (Bytes{1, 2, 3}));
}

TEST(IscsiReceive, EndlessDataInChainIsCutOff) {
  PduSpec in;
  in.opcode = 0x25;  // never final
  Bytes one = testing::Pdu(in), stream;
  for (size_t i = 0; i < kMaxDataInChain + 5; ++i) stream.insert(stream.end(), one.begin(), one.end());
  Fixture f({stream});
  int error = 0;
  EXPECT_FALSE(ReceivePdu(f.session, f.session.current->socket, &error));
  EXPECT_EQ(error, -1);
}

TEST(IscsiReceive, EveryTruncationOfAPduFailsCleanly) {
  PduSpec s;
  s.opcode = 0x23;
  s.flags = 0x81;
  s.ahsWords = 1;
  s.data = TextData({{"AuthMethod", "None"}, {"TargetPortalGroupTag", "1"}});
  const Bytes whole = testing::Pdu(s);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    Fixture f({Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut))});
    int error = 0;
    EXPECT_FALSE(ReceivePdu(f.session, f.session.current->socket, &error)) << cut;
    EXPECT_EQ(error, -1) << cut;  // peer closed mid-PDU
  }
  // A failing recv gives its Winsock error.
  Fixture g({Bytes(whole.begin(), whole.begin() + 20)});
  g.sockets.set_end_error(kWsaEConnReset);
  int error = 0;
  EXPECT_FALSE(ReceivePdu(g.session, g.session.current->socket, &error));
  EXPECT_EQ(error, kWsaEConnReset);
}

TEST(IscsiReceive, DataBeyondTheDeclaredMaximumIsRefusedAtTheHeader) {
  PduSpec s;
  s.opcode = 0x24;
  s.flags = 0x80;
  s.data.assign(SessionParams{}.maxRecvDataSegmentLength, 'a');
  {
    Fixture f({testing::Pdu(s)});
    int error = 0;
    auto pdu = ReceivePdu(f.session, f.session.current->socket, &error);
    ASSERT_TRUE(pdu);  // exactly what the login offers
    EXPECT_EQ(pdu->UsedData().size, s.data.size());
  }
  // One byte more: refused from the first 8 bytes, before the rest is
  // read (the stream fails right behind them) or any buffer is sized.
  for (int64_t announced : {int64_t{262145}, int64_t{0xFFFFFF}}) {
    s.dataLengthField = announced;
    const Bytes pdu = testing::Pdu(s);
    Fixture f({Bytes(pdu.begin(), pdu.begin() + 8)});
    f.sockets.set_end_error(kWsaEConnReset);
    int error = 0;
    EXPECT_FALSE(ReceivePdu(f.session, f.session.current->socket, &error));
    EXPECT_EQ(error, -1) << announced;
  }
}

}  // namespace
}  // namespace tw
