#include "base/crypto/aes256.h"

#include <cstring>

namespace tw {
namespace {

// GF(2^8) with the AES polynomial x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t XTime(uint8_t x) {
  return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}
constexpr uint8_t Mul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return r;
}

struct Tables {
  uint8_t sbox[256];
  uint8_t inv[256];
};

// The S-box from its definition (FIPS-197 5.1.1): the multiplicative
// inverse followed by the affine transformation; checked by the tests
// against the published vectors.
constexpr Tables MakeTables() {
  Tables t{};
  for (int x = 0; x < 256; ++x) {
    uint8_t inverse = 0;
    if (x != 0) {
      for (int y = 1; y < 256; ++y) {
        if (Mul(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) == 1) {
          inverse = static_cast<uint8_t>(y);
          break;
        }
      }
    }
    uint8_t s = inverse;
    uint8_t r = inverse;
    for (int i = 0; i < 4; ++i) {
      r = static_cast<uint8_t>((r << 1) | (r >> 7));
      s ^= r;
    }
    s ^= 0x63;
    t.sbox[x] = s;
    t.inv[s] = static_cast<uint8_t>(x);
  }
  return t;
}

const Tables& GetTables() {
  static const Tables tables = MakeTables();
  return tables;
}

void AddRoundKey(uint8_t* s, const uint8_t* k) {
  for (int i = 0; i < 16; ++i) s[i] ^= k[i];
}

// The state is kept column by column as the input bytes come (s[r + 4c]).
void ShiftRows(uint8_t* s) {
  uint8_t t[16];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) t[r + 4 * c] = s[r + 4 * ((c + r) % 4)];
  std::memcpy(s, t, 16);
}

void InvShiftRows(uint8_t* s) {
  uint8_t t[16];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) t[r + 4 * ((c + r) % 4)] = s[r + 4 * c];
  std::memcpy(s, t, 16);
}

void MixColumns(uint8_t* s) {
  for (int c = 0; c < 4; ++c) {
    uint8_t* col = s + 4 * c;
    uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
    col[0] = static_cast<uint8_t>(Mul(a0, 2) ^ Mul(a1, 3) ^ a2 ^ a3);
    col[1] = static_cast<uint8_t>(a0 ^ Mul(a1, 2) ^ Mul(a2, 3) ^ a3);
    col[2] = static_cast<uint8_t>(a0 ^ a1 ^ Mul(a2, 2) ^ Mul(a3, 3));
    col[3] = static_cast<uint8_t>(Mul(a0, 3) ^ a1 ^ a2 ^ Mul(a3, 2));
  }
}

void InvMixColumns(uint8_t* s) {
  for (int c = 0; c < 4; ++c) {
    uint8_t* col = s + 4 * c;
    uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
    col[0] = static_cast<uint8_t>(Mul(a0, 14) ^ Mul(a1, 11) ^ Mul(a2, 13) ^ Mul(a3, 9));
    col[1] = static_cast<uint8_t>(Mul(a0, 9) ^ Mul(a1, 14) ^ Mul(a2, 11) ^ Mul(a3, 13));
    col[2] = static_cast<uint8_t>(Mul(a0, 13) ^ Mul(a1, 9) ^ Mul(a2, 14) ^ Mul(a3, 11));
    col[3] = static_cast<uint8_t>(Mul(a0, 11) ^ Mul(a1, 13) ^ Mul(a2, 9) ^ Mul(a3, 14));
  }
}

}  // namespace

Aes256::Aes256(const uint8_t key[kKeyBytes]) {
  const uint8_t* sbox = GetTables().sbox;
  constexpr int kNk = 8;
  constexpr int kWords = 4 * (kRounds + 1);
  uint8_t* w = round_keys_.data();
  std::memcpy(w, key, kKeyBytes);
  uint8_t rcon = 1;
  for (int i = kNk; i < kWords; ++i) {
    uint8_t temp[4];
    std::memcpy(temp, w + 4 * (i - 1), 4);
    if (i % kNk == 0) {
      // RotWord, SubWord, Rcon.
      uint8_t t0 = temp[0];
      temp[0] = static_cast<uint8_t>(sbox[temp[1]] ^ rcon);
      temp[1] = sbox[temp[2]];
      temp[2] = sbox[temp[3]];
      temp[3] = sbox[t0];
      rcon = XTime(rcon);
    } else if (i % kNk == 4) {
      for (uint8_t& b : temp) b = sbox[b];
    }
    for (int j = 0; j < 4; ++j) w[4 * i + j] = static_cast<uint8_t>(w[4 * (i - kNk) + j] ^ temp[j]);
  }
}

Aes256::~Aes256() {
  // The round keys are the key: leave nothing behind.
  volatile uint8_t* p = round_keys_.data();
  for (size_t i = 0; i < round_keys_.size(); ++i) p[i] = 0;
}

void Aes256::EncryptBlock(const uint8_t in[kBlockBytes], uint8_t out[kBlockBytes]) const {
  const uint8_t* sbox = GetTables().sbox;
  uint8_t s[16];
  std::memcpy(s, in, 16);
  AddRoundKey(s, round_keys_.data());
  for (int round = 1; round <= kRounds; ++round) {
    for (uint8_t& b : s) b = sbox[b];
    ShiftRows(s);
    if (round != kRounds) MixColumns(s);
    AddRoundKey(s, round_keys_.data() + 16 * round);
  }
  std::memcpy(out, s, 16);
}

void Aes256::DecryptBlock(const uint8_t in[kBlockBytes], uint8_t out[kBlockBytes]) const {
  const uint8_t* inv = GetTables().inv;
  uint8_t s[16];
  std::memcpy(s, in, 16);
  AddRoundKey(s, round_keys_.data() + 16 * kRounds);
  for (int round = kRounds - 1; round >= 0; --round) {
    InvShiftRows(s);
    for (uint8_t& b : s) b = inv[b];
    AddRoundKey(s, round_keys_.data() + 16 * round);
    if (round != 0) InvMixColumns(s);
  }
  std::memcpy(out, s, 16);
}

}  // namespace tw
