// The folders of src/ are layers, and a folder may include only from itself
// and the folders below it. This reads every #include "folder/..." under src/
// and names each one that points up. The one tie allowed both ways is between
// the formula elements and the expression tokens: the element that stores a
// tree frees it, and each element's token reader is defined with the parser.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::map<std::string, int> LayerRanks()
{
    std::map<std::string, int> ranks;
    std::stringstream order(LUMACURVE_LAYER_ORDER);
    std::string folder;
    for (int rank = 0; std::getline(order, folder, ','); ++rank)
        ranks[folder] = rank;
    return ranks;
}

// Source files allowed to include from the named higher folder.
const std::set<std::pair<std::string, std::string>> AllowedTies = {
    {"formula/elements.cpp", "expr"},
};

struct TUpwardInclude {
    std::string file;
    int line = 0;
    std::string text;
};

std::vector<TUpwardInclude> UpwardIncludes(const fs::path& source, const std::map<std::string, int>& ranks)
{
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z]+)/[^"]+")");
    std::vector<TUpwardInclude> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        const std::string relative = fs::relative(entry.path(), source).generic_string();
        const std::string folder = relative.substr(0, relative.find('/'));
        const auto own = ranks.find(folder);
        std::ifstream in(entry.path());
        std::string text;
        for (int number = 1; std::getline(in, text); ++number) {
            std::smatch match;
            if (!std::regex_search(text, match, include))
                continue;
            const auto target = ranks.find(match[1].str());
            if (target == ranks.end())
                continue;
            const bool upward = own == ranks.end() || target->second > own->second;
            if (upward && !AllowedTies.contains({relative, target->first}))
                found.push_back({relative, number, text});
        }
    }
    return found;
}

TEST(Layering, EveryFolderOfSrcIsALayer)
{
    const std::map<std::string, int> ranks = LayerRanks();
    ASSERT_GT(ranks.size(), 10u);
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(LUMACURVE_SOURCE_DIR) / "src")) {
        if (entry.is_directory()) {
            EXPECT_TRUE(ranks.contains(entry.path().filename().string()))
                << entry.path().filename() << " is not in the layer order of src/CMakeLists.txt";
        }
    }
}

TEST(Layering, IncludesPointOnlyDownwards)
{
    const std::vector<TUpwardInclude> upward =
        UpwardIncludes(fs::path(LUMACURVE_SOURCE_DIR) / "src", LayerRanks());
    for (const TUpwardInclude& include : upward)
        ADD_FAILURE() << "src/" << include.file << ":" << include.line
                      << " includes a higher layer: " << include.text;
}

} // namespace
