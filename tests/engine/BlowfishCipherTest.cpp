// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlowfishCipher.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

struct Vector
{
    int line = 0;
    std::string mode;
    Bytes key;
    Bytes chain;
    Bytes plain;
    Bytes cipher;
};

void PrintTo(const Vector& v, std::ostream* os)
{
    *os << v.mode << " vector on line " << v.line;
}

std::vector<Vector> LoadVectors()
{
    std::ifstream file(CARVALET_ENGINE_TEST_DATA "/blowfish_vectors.txt");
    std::vector<Vector> vectors;
    std::string text;
    for (int line = 1; std::getline(file, text); ++line)
    {
        if (text.empty() || text[0] == '#')
        {
            continue;
        }
        std::istringstream fields(text);
        Vector v;
        std::string key, chain, plain, cipher;
        fields >> v.mode >> key >> chain >> plain >> cipher;
        v.line = line;
        v.key = FromHex(key);
        v.chain = chain == "-" ? Bytes(8, 0) : FromHex(chain);
        v.plain = FromHex(plain);
        v.cipher = FromHex(cipher);
        vectors.push_back(v);
    }
    return vectors;
}

int ModeOf(const std::string& name)
{
    return name == "cbc" ? CBC : name == "cfb" ? CFB : ECB;
}

CBlowfishCipher MakeCipher(const Bytes& key, CipherBlock chain = {})
{
    return CBlowfishCipher(key.data(), static_cast<std::uint32_t>(key.size()), chain);
}

Bytes Crypt(const CBlowfishCipher& cipher, bool encrypt, const Bytes& input, int mode)
{
    Bytes output(input.size());
    const auto length = static_cast<std::uint32_t>(input.size());
    encrypt ? cipher.Encrypt(input.data(), output.data(), length, mode)
            : cipher.Decrypt(input.data(), output.data(), length, mode);
    return output;
}

const Bytes KEY = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");
const Bytes TEXT = FromHex("37363534333231204E6F77206973207468652074696D6520666F722000000000");

} // namespace

class KnownAnswer : public testing::TestWithParam<Vector>
{
};

TEST_P(KnownAnswer, MatchesPublishedVector)
{
    const Vector& v = GetParam();
    CipherBlock chain;
    LoadBlock(v.chain.data(), chain);
    const CBlowfishCipher cipher = MakeCipher(v.key, chain);
    const int mode = ModeOf(v.mode);

    const Bytes encrypted = Crypt(cipher, true, v.plain, mode);
    EXPECT_EQ(Bytes(encrypted.begin(), encrypted.begin() + v.cipher.size()), v.cipher);
    EXPECT_EQ(Crypt(cipher, false, encrypted, mode), v.plain);

    // The same bytes in place, one byte off any alignment.
    Bytes shifted(v.plain.size() + 1);
    std::copy(v.plain.begin(), v.plain.end(), shifted.begin() + 1);
    const auto length = static_cast<std::uint32_t>(v.plain.size());
    cipher.Encrypt(shifted.data() + 1, shifted.data() + 1, length, mode);
    EXPECT_EQ(Bytes(shifted.begin() + 1, shifted.end()), encrypted);

    if (mode == ECB)
    {
        CipherBlock block;
        LoadBlock(v.plain.data(), block);
        cipher.EncryptBlock(block);
        Bytes out(8);
        StoreBlock(block, out.data());
        EXPECT_EQ(out, v.cipher);
        cipher.DecryptBlock(block);
        StoreBlock(block, out.data());
        EXPECT_EQ(out, v.plain);
    }
}

INSTANTIATE_TEST_SUITE_P(Blowfish, KnownAnswer, testing::ValuesIn(LoadVectors()),
                         [](const testing::TestParamInfo<Vector>& info)
                         { return info.param.mode + "_line" + std::to_string(info.param.line); });

TEST(BlowfishCipher, VectorFileIsComplete)
{
    EXPECT_EQ(LoadVectors().size(), 34u + 24u + 2u);
}

TEST(BlowfishCipher, KeyLengthRules)
{
    try
    {
        CBlowfishCipher(KEY.data(), 0);
        FAIL() << "key length 0 accepted";
    }
    catch (const std::exception& e)
    {
        EXPECT_STREQ(e.what(), "Incorrect key length");
    }

    Bytes longKey(60);
    for (std::size_t i = 0; i < longKey.size(); ++i)
    {
        longKey[i] = static_cast<std::uint8_t>(i * 37 + 1);
    }
    const Bytes first56(longKey.begin(), longKey.begin() + 56);
    EXPECT_EQ(Crypt(MakeCipher(longKey), true, TEXT, ECB),
              Crypt(MakeCipher(first56), true, TEXT, ECB));

    // A key and that key repeated run the same schedule.
    EXPECT_EQ(Crypt(MakeCipher(Bytes{0x5A}), true, TEXT, ECB),
              Crypt(MakeCipher(Bytes(4, 0x5A)), true, TEXT, ECB));
    Bytes twice = KEY;
    twice.insert(twice.end(), KEY.begin(), KEY.end());
    EXPECT_EQ(Crypt(MakeCipher(KEY), true, TEXT, ECB), Crypt(MakeCipher(twice), true, TEXT, ECB));
}

TEST(BlowfishCipher, BadBufferLengthsThrowBeforeWriting)
{
    const CBlowfishCipher cipher = MakeCipher(KEY);
    for (int mode : {ECB, CBC, CFB})
    {
        for (std::uint32_t length : {0u, 4u, 12u})
        {
            Bytes output(16, 0xEE);
            for (bool encrypt : {true, false})
            {
                try
                {
                    encrypt ? cipher.Encrypt(TEXT.data(), output.data(), length, mode)
                            : cipher.Decrypt(TEXT.data(), output.data(), length, mode);
                    ADD_FAILURE() << "length " << length << " accepted";
                }
                catch (const std::exception& e)
                {
                    EXPECT_STREQ(e.what(), "Incorrect buffer length");
                }
                EXPECT_EQ(output, Bytes(16, 0xEE));
            }
        }
        Bytes output(8);
        EXPECT_NO_THROW(cipher.Encrypt(TEXT.data(), output.data(), 8, mode));
    }
}

TEST(BlowfishCipher, ModesAndChaining)
{
    const Bytes iv = FromHex("FEDCBA9876543210");
    CipherBlock chain;
    LoadBlock(iv.data(), chain);
    const CBlowfishCipher cipher = MakeCipher(KEY, chain);
    const CBlowfishCipher zeroChain = MakeCipher(KEY);
    const Bytes ecb = Crypt(cipher, true, TEXT, ECB);

    EXPECT_EQ(Crypt(cipher, true, TEXT, 3), ecb);
    EXPECT_EQ(Crypt(cipher, true, TEXT, -1), ecb);

    // CBC from a zero chain starts like ECB.
    const Bytes cbcZero = Crypt(zeroChain, true, TEXT, CBC);
    EXPECT_TRUE(std::equal(ecb.begin(), ecb.begin() + 8, cbcZero.begin()));

    // CFB's first block is P0 XOR E(chain).
    CipherBlock keystream = chain;
    cipher.EncryptBlock(keystream);
    Bytes stream(8);
    StoreBlock(keystream, stream.data());
    const Bytes cfb = Crypt(cipher, true, TEXT, CFB);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(cfb[i], TEXT[i] ^ stream[i]);
    }

    for (int mode : {ECB, CBC, CFB})
    {
        const Bytes once = Crypt(cipher, true, TEXT, mode);
        EXPECT_EQ(Crypt(cipher, true, TEXT, mode), once) << "chain must restart on every call";
        EXPECT_EQ(Crypt(MakeCipher(KEY, chain), false, once, mode), TEXT);

        // Two 8-byte calls restart the chain: only ECB agrees with one 16-byte call.
        const Bytes firstTwo(TEXT.begin(), TEXT.begin() + 16);
        const Bytes whole = Crypt(cipher, true, firstTwo, mode);
        Bytes pieces = Crypt(cipher, true, Bytes(TEXT.begin(), TEXT.begin() + 8), mode);
        const Bytes second = Crypt(cipher, true, Bytes(TEXT.begin() + 8, TEXT.begin() + 16), mode);
        pieces.insert(pieces.end(), second.begin(), second.end());
        EXPECT_EQ(whole == pieces, mode == ECB) << "mode " << mode;
    }
}
