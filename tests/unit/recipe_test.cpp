// A station's recipe: what a good one gives, and each refusal with its line
// and key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "production/recipe.h"

namespace kq::production {
namespace {

constexpr const char* Sha = "e703750e01ddff42c08b20666a2eaad737c9eb8aaf9eeaf35628ea8615ca60e5";

std::string withTop(const std::string& extra) {
    return std::string("hex-file = \"app.hex\"\nsha256 = \"") + Sha + "\"\nport = [\"COM3\", \"/dev/ttyUSB0\"]\n" +
           extra;
}

TEST(Recipe, AGoodRecipeGivesEveryValueByFlashsNames) {
    const RecipeReading reading = parseRecipe(
        "station = \"line-3\"\n"
        "hex-file = \"fw/app.hex\"\n"
        "sha256 = \"E703750E01DDFF42C08B20666A2EAAD737C9EB8AAF9EEAF35628EA8615CA60E5\"\n"
        "port = [\"COM3\", \"COM4\"]\n"
        "baud = 19200\nparity = \"even\"\nchip = \"arm\"\ntype = \"backup\"\n"
        "user-offset = \"0x4000\"\narea = 40\nframe = 256\nhandshake-timeout = 2.5\nlog-dir = \"records\"\n"
        "address = [\"000000000001\", \"000000000002\"]\n"
        "records-db = \"DSN=line;Pwd=${KQ_RECORDS_PWD}\"\n"
        "[bus]\n\"COM4\" = [\"000000000007\"]\n",
        "/srv/line/r.toml");
    ASSERT_TRUE(reading.ok) << reading.error;
    const Recipe& r = reading.recipe;
    EXPECT_EQ(r.stationName, "line-3");
    EXPECT_EQ(r.settings.hexPath, "/srv/line/fw/app.hex");  // beside the recipe
    EXPECT_EQ(r.hexSha256, Sha);                             // lower case
    EXPECT_EQ(r.portTexts, (std::vector<std::string>{"COM3", "COM4"}));
    EXPECT_EQ(r.settings.baudRate, 4);
    EXPECT_EQ(r.settings.parity, 2);
    EXPECT_EQ(r.settings.chipFamily, Kq58xx);
    EXPECT_EQ(r.settings.bootloadType, RemoteWithBackup);
    EXPECT_EQ(r.settings.userOffsetHex, "4000");
    EXPECT_EQ(r.settings.upgradeOffsetHex, "11000");  // the type's default for arm
    EXPECT_EQ(r.settings.upgradeAreaKiB, 40);
    EXPECT_EQ(r.settings.frameDataLength, 2);
    EXPECT_EQ(r.handshakeTimeoutMs, 2500);
    EXPECT_EQ(r.logDir, "/srv/line/records");
    EXPECT_EQ(r.recordsDb, "DSN=line;Pwd=${KQ_RECORDS_PWD}");  // as written: expanded when the station starts
    EXPECT_EQ(modulesOfPort(r, 0), (std::vector<std::string>{"000000000001", "000000000002"}));
    EXPECT_EQ(modulesOfPort(r, 1), (std::vector<std::string>{"000000000007"}));
}

TEST(Recipe, APrintedRecipeReadsBack) {
    Recipe recipe;
    recipe.settings.hexPath = "/fw/a \"b\".hex";
    recipe.hexSha256 = Sha;
    recipe.portTexts = {"COM1", "/dev/serial/by-path/pci-0:1.2-port0"};
    recipe.settings.bootloadType = RemoteWithBackup;
    applyTypeDefaults(recipe.settings);
    recipe.moduleAddresses = {"000000000001", "000000000002"};
    recipe.handshakeTimeoutMs = 1500;
    recipe.logDir = "/var/records";
    recipe.recordsDb = "Driver={PostgreSQL Unicode};Server=db;Pwd=${KQ_RECORDS_PWD}";
    const RecipeReading reading = parseRecipe(recipeText(recipe), "/x/r.toml");
    ASSERT_TRUE(reading.ok) << reading.error << "\n" << recipeText(recipe);
    EXPECT_EQ(reading.recipe.settings.hexPath, recipe.settings.hexPath);
    EXPECT_EQ(reading.recipe.portTexts, recipe.portTexts);
    EXPECT_EQ(reading.recipe.moduleAddresses, recipe.moduleAddresses);
    EXPECT_EQ(reading.recipe.settings.upgradeOffsetHex, recipe.settings.upgradeOffsetHex);
    EXPECT_EQ(reading.recipe.handshakeTimeoutMs, 1500);
    EXPECT_EQ(reading.recipe.logDir, "/var/records");
    EXPECT_EQ(reading.recipe.recordsDb, recipe.recordsDb);
}

TEST(Recipe, EachRefusalNamesTheFileTheLineAndTheKey) {
    struct Row {
        const char* name;
        std::string text;
        std::string error;  // the start of the refusal
    };
    const std::vector<Row> rows = {
        {"unknown key", withTop("\nbaudrate = 9600\n"), "r.toml:5: baudrate: unknown key"},
        {"missing file", "sha256 = \"x\"\nport = \"COM1\"\n", "r.toml:1: hex-file: missing"},
        {"missing hash", "hex-file = \"a.hex\"\nport = \"COM1\"\n", "r.toml:1: sha256: missing"},
        {"missing port", std::string("hex-file = \"a.hex\"\nsha256 = \"") + Sha + "\"\n", "r.toml:1: port: missing"},
        {"short hash", "hex-file = \"a.hex\"\nsha256 = \"abc\"\nport = \"COM1\"\n", "r.toml:2: sha256: use the 64"},
        {"baud a string", withTop("baud = \"115200\"\n"), "r.toml:4: baud: use the number 1200,"},
        {"baud not in the list", withTop("baud = 300\n"), "r.toml:4: baud: use the number"},
        {"chip a number", withTop("chip = 251\n"), "r.toml:4: chip: use the string 251 or arm"},
        {"offset a number", withTop("user-offset = 4096\n"), "r.toml:4: user-offset: use a string of a hex"},
        {"offset too long", withTop("user-offset = \"0x123456789\"\n"), "r.toml:4: user-offset:"},
        {"area too large", withTop("area = 513\n"), "r.toml:4: area: use a number from 1 to 512"},
        {"timeout zero", withTop("handshake-timeout = 0\n"), "r.toml:4: handshake-timeout: use a number"},
        {"json a string", withTop("json = \"yes\"\n"), "r.toml:4: json: use true or false"},
        {"records-db empty", withTop("records-db = \"\"\n"), "r.toml:4: records-db: use a string that is not empty"},
        {"port twice", std::string("hex-file = \"a\"\nsha256 = \"") + Sha + "\"\nport = [\"COM1\", \"COM1\"]\n",
         "r.toml:3: port: COM1 is given twice"},
        {"port a number", std::string("hex-file = \"a\"\nsha256 = \"") + Sha + "\"\nport = 3\n",
         "r.toml:3: port: use a string or an array"},
        {"bad address", withTop("type = \"backup\"\naddress = \"12X4\"\n"), "r.toml:5: address: 12X4:"},
        {"bus on local", withTop("address = [\"000000000001\", \"000000000002\"]\n"),
         "r.toml:4: address: several modules on a port need type \"backup\""},
        {"bus of another port", withTop("type = \"backup\"\n[bus]\n\"COM9\" = [\"000000000001\"]\n"),
         "r.toml:6: bus.COM9: not a port of the recipe's port list"},
        {"list and file", withTop("address = \"1\"\naddress-file = \"bus.txt\"\n"),
         "r.toml:5: address-file: give the modules either"},
        {"not TOML", withTop("port = \"COM1\"\n"), "r.toml:4: "},
    };
    for (const Row& row : rows) {
        const RecipeReading reading = parseRecipe(row.text, "r.toml");
        EXPECT_FALSE(reading.ok) << row.name;
        EXPECT_TRUE(reading.error.starts_with(row.error)) << row.name << ": " << reading.error;
    }
}

}  // namespace
}  // namespace kq::production
