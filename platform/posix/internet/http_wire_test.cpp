#include "platform/posix/internet/http_wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace tw {
namespace http {
namespace {

// Parses a copy placed at the end of its own allocation, so a read past
// the end is caught by the sanitizer build.
long ParseExact(const std::string& text, ResponseHead* head) {
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  char* start = copy.get() + 1;
  std::memcpy(start, text.data(), text.size());
  return ParseResponseHead(start, text.size(), head);
}

TEST(ResponseHeadTest, CompleteHeadAndEveryTruncation) {
  const std::string text =
      "HTTP/1.1 200 OK fine\r\nContent-Type: text/html\r\nX-Folded: one\r\n  two\r\n"
      "Content-Length:  12 \r\n\r\nbody";
  ResponseHead head;
  long used = ParseExact(text, &head);
  ASSERT_EQ(used, static_cast<long>(text.size() - 4));
  EXPECT_EQ(head.major, 1);
  EXPECT_EQ(head.minor, 1);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.reason, "OK fine");
  ASSERT_EQ(head.fields.size(), 3u);
  EXPECT_EQ(head.fields[1].value, "one two");
  std::string v;
  EXPECT_TRUE(FindField(head, "content-length", 0, &v));
  EXPECT_EQ(v, "12");
  EXPECT_FALSE(FindField(head, "content-length", 1, &v));
  EXPECT_EQ(head.raw.substr(0, 22), "HTTP/1.1 200 OK fine\r\n");
  EXPECT_EQ(head.raw.substr(head.raw.size() - 4), "\r\n\r\n");
  for (size_t cut = 0; cut < text.size() - 4; ++cut)
    EXPECT_EQ(ParseExact(text.substr(0, cut), &head), kIncomplete) << cut;
}

TEST(ResponseHeadTest, BareLineFeedsAndEmptyReason) {
  ResponseHead head;
  EXPECT_EQ(ParseExact("HTTP/1.0 404\nA: b\n\n", &head), 19);
  EXPECT_EQ(head.status, 404);
  EXPECT_EQ(head.reason, "");
  EXPECT_EQ(head.minor, 0);
}

TEST(ResponseHeadTest, MalformedHeadsAreRefused) {
  const char* bad[] = {
      "HTTP/1.1 20 OK\r\n\r\n",        "HTTX/1.1 200 OK\r\n\r\n",
      "HTTP/1.1 200OK\r\n\r\n",        "HTTP/1.1 200 OK\r\nNo colon\r\n\r\n",
      "HTTP/1.1 200 OK\r\n: v\r\n\r\n", "HTTP/1.1 200 OK\r\n fold\r\n\r\n",
      "HTTP/1.1 200 OK\r\nBad Name: v\r\n\r\n", "garbage\r\n\r\n",
  };
  for (const char* text : bad) {
    ResponseHead head;
    EXPECT_EQ(ParseExact(text, &head), kMalformed) << text;
  }
  std::string huge = "HTTP/1.1 200 OK\r\nX: " + std::string(kMaxHeadBytes, 'a');
  ResponseHead head;
  EXPECT_EQ(ParseExact(huge, &head), kMalformed);
}

ResponseHead Head(int status, std::vector<HeaderField> fields) {
  ResponseHead head;
  head.status = status;
  head.fields = std::move(fields);
  return head;
}

TEST(FramingTest, ChoosesHowTheBodyEnds) {
  BodyFraming f;
  ASSERT_TRUE(DetermineFraming(Head(200, {{"Content-Length", "42"}}), &f));
  EXPECT_EQ(f.kind, BodyKind::kLength);
  EXPECT_EQ(f.length, 42u);
  ASSERT_TRUE(DetermineFraming(Head(200, {{"Content-Length", "5"}, {"Transfer-Encoding", "gzip, Chunked"}}), &f));
  EXPECT_EQ(f.kind, BodyKind::kChunked);
  ASSERT_TRUE(DetermineFraming(Head(200, {}), &f));
  EXPECT_EQ(f.kind, BodyKind::kUntilClose);
  ASSERT_TRUE(DetermineFraming(Head(204, {{"Content-Length", "9"}}), &f));
  EXPECT_EQ(f.kind, BodyKind::kNone);
  ASSERT_TRUE(DetermineFraming(Head(200, {{"Content-Length", "7"}, {"content-length", "7"}}), &f));
  EXPECT_FALSE(DetermineFraming(Head(200, {{"Content-Length", "7"}, {"Content-Length", "8"}}), &f));
  EXPECT_FALSE(DetermineFraming(Head(200, {{"Content-Length", "-1"}}), &f));
  EXPECT_FALSE(DetermineFraming(Head(200, {{"Content-Length", "99999999999999999999"}}), &f));
  EXPECT_FALSE(DetermineFraming(Head(200, {{"Transfer-Encoding", "gzip"}}), &f));
}

// Decodes text fed in pieces of `step` bytes with `room` bytes of output.
std::string DecodeAll(const std::string& text, size_t step, size_t room,
                      ChunkedDecoder::Result* last) {
  ChunkedDecoder d;
  std::string out;
  size_t pos = 0;
  *last = ChunkedDecoder::Result::kOk;
  std::vector<uint8_t> buffer(room);
  while (*last == ChunkedDecoder::Result::kOk && pos < text.size()) {
    size_t n = std::min(step, text.size() - pos);
    size_t consumed = 0, produced = 0;
    *last = d.Decode(reinterpret_cast<const uint8_t*>(text.data()) + pos, n, &consumed,
                     buffer.data(), room, &produced);
    out.append(reinterpret_cast<char*>(buffer.data()), produced);
    pos += consumed;
    if (consumed == 0 && produced == 0 && *last == ChunkedDecoder::Result::kOk) break;
  }
  return out;
}

TEST(ChunkedDecoderTest, DecodesInAnyPiecesAndStopsAtTheEnd) {
  const std::string text = "5;name=v\r\nhello\r\nA\r\n, world!!!\r\n0\r\nTrailer: x\r\n\r\nNEXT";
  for (size_t step = 1; step <= text.size(); ++step) {
    for (size_t room : {size_t{1}, size_t{3}, size_t{1024}}) {
      ChunkedDecoder::Result last;
      EXPECT_EQ(DecodeAll(text, step, room, &last), "hello, world!!!") << step << " " << room;
      EXPECT_EQ(last, ChunkedDecoder::Result::kDone) << step << " " << room;
    }
  }
}

TEST(ChunkedDecoderTest, RefusesBrokenFraming) {
  for (const char* text : {"zz\r\n", "5\r\nabcdeX\r\n", "\r\n", "1000000000000000\r\n",
                           "5\rx"}) {
    ChunkedDecoder::Result last;
    DecodeAll(text, 100, 100, &last);
    EXPECT_EQ(last, ChunkedDecoder::Result::kError) << text;
  }
}

}  // namespace
}  // namespace http
}  // namespace tw
