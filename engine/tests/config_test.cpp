#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/config.h"
#include "engine/midilib.h"

namespace kv::engine {
namespace {

// Three outputs and three inputs with small, readable keys: the key of a
// one-character name is that character's code.
DeviceLists SmallLists()
{
    DeviceLists lists;
    const char* outs[] = {"A", "B", "C"};  // keys 65, 66, 67
    const char* ins[] = {"a", "b", "c"};   // keys 97, 98, 99
    for (int i = 0; i < 3; ++i) {
        SystemDevice& o = lists.outputs[i];
        strcpy(o.name, outs[i]);
        o.key = DeviceKey(o.name);
        o.id = i + 2;
        SystemDevice& in = lists.inputs[i];
        strcpy(in.name, ins[i]);
        in.key = DeviceKey(in.name);
        in.id = i + 2;
    }
    lists.outputCount = lists.inputCount = 3;
    return lists;
}

std::string Written(const PortConfig& config, size_t size = 128)
{
    char buffer[256];
    WriteConfig(config, buffer, size);
    return buffer;
}

TEST(EngineDeviceKeyTest, SumsSignedBytesOfAtMost31Characters)
{
    // "AB" = 65 + 66; 0xC3 0xA9 ("é") = -61 + -87.
    EXPECT_EQ(DeviceKey("AB"), 131);
    EXPECT_EQ(DeviceKey("\xC3\xA9"), -148);
    EXPECT_EQ(DeviceKey(""), 0);
    EXPECT_EQ(DeviceKey(nullptr), 0);
    // 40 'A's count only 31 of them: 31 * 65 = 2015.
    EXPECT_EQ(DeviceKey(std::string(40, 'A').c_str()), 2015);
}

TEST(EngineConfigParseTest, AcceptedStringsGiveTheirPortsAndWriteBackCanonically)
{
    struct Case {
        const char* text;
        int outputs;
        int inputs;
        const char* written;
    };
    const Case cases[] = {
        {"D0,65", 1, 0, "D0,65"},
        {"D0,65,66,67", 3, 0, "D0,65,66,67"},
        {"D0,65;97", 1, 1, "D0,65;97"},
        {"D0,65;97,98", 1, 2, "D0,65;97,98"},
        {"D99,65", 1, 1, "D99,65"},        // sync only: entry 0 of kind 1
        {"D99,65;97", 1, 2, "D99,65;97"},  // records go after the sync entry
        {"D99,65;99", 1, 1, "D99,65;99"},  // sync named again: one entry of kind 2
        {"D99,65;99,97", 1, 2, "D99,65;99,97"},
        {"D0,", 0, 0, "D0,0"},
        {"D0,0", 0, 0, "D0,0"},
        {"D0,65;0", 1, 0, "D0,65"},
        {"D0,65;", 1, 0, "D0,65"},
        {"D0,65,", 1, 0, "D0,65"},  // an empty key at the end reads as 0
        {"D0,65;97,", 1, 1, "D0,65;97"},
        {"D0,65;97,0", 1, 1, "D0,65;97"},
        {"D0,65;500", 1, 0, "D0,65"},                // unknown record input: entry left empty
        {"D00,0000000000000000065", 1, 0, "D0,65"},  // leading zeros are not overlong
    };
    DeviceLists lists = SmallLists();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PortConfig config;
        ASSERT_EQ(ParseConfig(c.text, lists, &config), 0);
        EXPECT_EQ(config.OutputCount(), c.outputs);
        EXPECT_EQ(config.InputCount(), c.inputs);
        EXPECT_EQ(Written(config), c.written);
    }
}

TEST(EngineConfigParseTest, SyncInputNamedAgainBecomesKindTwo)
{
    PortConfig config;
    ASSERT_EQ(ParseConfig("D99,65;99", SmallLists(), &config), 0);
    EXPECT_EQ(config.inputs[0].kind, kSyncAndRecord);
    EXPECT_EQ(config.inputs[1].id, 0);
}

TEST(EngineConfigParseTest, RejectedStringsGiveErrorTenAndAnEmptyConfiguration)
{
    const char* const cases[] = {
        "",
        "d0,65",
        "X0,65",
        "D",
        "D,65",
        "D0",
        "D0;65",
        "D0,65 ",
        "D0,66x",
        "D0,64",  // no such output
        "D97,64",
        "D98x,65",
        "D1,65",    // no such sync input
        "D0,0,65",  // 0 not at the end names no device
        "D0,65;97;98",
        "D0,65;97,x",
        "D0,65;97,98,99,97",  // a fourth record entry with three inputs
        "D0,4294967296",      // one past 32 bits
        "D0,99999999999999999999999999999999",
        "D-1,65",
        "D0,-65",
        "D0,+65",
    };
    DeviceLists lists = SmallLists();
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        PortConfig config;
        config.outputs[0].id = 9;  // garbage that must be cleared
        EXPECT_EQ(ParseConfig(text, lists, &config), kErrInvalidRequest);
        EXPECT_EQ(config.OutputCount(), 0);
        EXPECT_EQ(config.InputCount(), 0);
    }
    PortConfig config;
    EXPECT_EQ(ParseConfig(nullptr, lists, &config), kErrInvalidRequest);
}

TEST(EngineConfigParseTest, NoDevicesRejectsAnyNamedKey)
{
    DeviceLists none;
    PortConfig config;
    EXPECT_EQ(ParseConfig("D0,65535", none, &config), kErrInvalidRequest);
    EXPECT_EQ(ParseConfig("D97,0", none, &config), kErrInvalidRequest);
    EXPECT_EQ(ParseConfig("D0,", none, &config), 0);
}

TEST(EngineConfigParseTest, NegativeKeysTravelAsTheirUnsignedForm)
{
    DeviceLists lists;
    strcpy(lists.outputs[0].name, "\xC3\xA9");  // key -148
    lists.outputs[0].key = DeviceKey(lists.outputs[0].name);
    lists.outputs[0].id = 2;
    lists.outputCount = 1;
    PortConfig config;
    // -148 as unsigned 32-bit: 4294967296 - 148 = 4294967148.
    ASSERT_EQ(ParseConfig("D0,4294967148", lists, &config), 0);
    EXPECT_EQ(config.outputs[0].key, -148);
    EXPECT_EQ(Written(config), "D0,4294967148");
}

TEST(EngineConfigParseTest, AtMostThirtyTwoOutputs)
{
    DeviceLists lists = SmallLists();
    std::string text = "D0";
    for (int i = 0; i < 32; ++i)
        text += ",65";
    PortConfig config;
    ASSERT_EQ(ParseConfig(text.c_str(), lists, &config), 0);
    EXPECT_EQ(config.OutputCount(), 32);
    text += ",65";
    EXPECT_EQ(ParseConfig(text.c_str(), lists, &config), kErrInvalidRequest);
}

TEST(EngineConfigWriteTest, TooLongStringIsCutBeforeTheKeyThatDoesNotFit)
{
    DeviceLists lists;
    // A name of 31 'z's has the key 31 * 122 = 3782, four digits.
    strcpy(lists.outputs[0].name, std::string(31, 'z').c_str());
    lists.outputs[0].key = DeviceKey(lists.outputs[0].name);
    lists.outputs[0].id = 2;
    lists.outputCount = 1;
    std::string text = "D0";
    for (int i = 0; i < 32; ++i)
        text += ",3782";
    PortConfig config;
    ASSERT_EQ(ParseConfig(text.c_str(), lists, &config), 0);
    // "D0" + 32 * ",3782" is 162 characters; 128 bytes hold 127: "D0" and
    // 25 whole keys (2 + 25 * 5 = 127).
    std::string written = Written(config, 128);
    EXPECT_EQ(written.size(), 127u);
    PortConfig back;
    ASSERT_EQ(ParseConfig(written.c_str(), lists, &back), 0);
    EXPECT_EQ(back.OutputCount(), 25);
    // Buffers of 1 and 2 bytes get an empty string, never a partial key.
    char tiny[2] = {'x', 'x'};
    WriteConfig(config, tiny, 1);
    EXPECT_EQ(tiny[0], '\0');
    WriteConfig(config, tiny, 2);
    EXPECT_EQ(tiny[0], '\0');
    WriteConfig(config, nullptr, 10);  // no crash
}

}  // namespace
}  // namespace kv::engine
