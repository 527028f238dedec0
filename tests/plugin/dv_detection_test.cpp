// DV detection through a movie server: an "AVdv" compressor in its codec list, and the state
// and list handed back in every case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dv_detection.h"
#include "no_movie_server.h"
#include "tarsel/system/qt_server.h"

namespace {

class DVDetectionTest : public ::testing::Test {
  protected:
    void TearDown() override {
        StopQTServer();
        UseNoMovieServer();
        ::unsetenv("TEST_DV_COMPRESSORS");
    }

    static void StartServerOffering(const char* compressors) {
        StopQTServer();
        ::setenv(QTServerPathVariable, TEST_DV_SERVER_PATH, 1);
        ::setenv("TEST_DV_COMPRESSORS", compressors, 1);
    }

    static std::vector<std::string> ServerCalls() {
        std::vector<std::string> calls;
        const ScriptVal list = g_QTRemoteApp.CallMember("Calls");
        for (std::size_t i = 1; i <= list.NumKeys(); ++i)
            calls.push_back(list.ToString(int64_t(i)));
        return calls;
    }
};

const std::vector<std::string> kWholeExchange = {"NewState", "GetCodecList", "DisposeCodecList",
                                                 "ReleaseState"};

TEST_F(DVDetectionTest, AvidDVCompressorAnywhereInTheListIsFound) {
    StartServerOffering("jpeg,rle ,AVdvPAL,AVdn");
    EXPECT_TRUE(omfplugin::ServerOffersAvidDV());
    EXPECT_EQ(ServerCalls(), kWholeExchange);
}

TEST_F(DVDetectionTest, ListWithoutAvidDVStillHandsBackListAndState) {
    StartServerOffering("jpeg,AVd,avdv,dvc ");
    EXPECT_FALSE(omfplugin::ServerOffersAvidDV());
    EXPECT_EQ(ServerCalls(), kWholeExchange);
}

TEST_F(DVDetectionTest, EmptyListFindsNothing) {
    StartServerOffering("");
    EXPECT_FALSE(omfplugin::ServerOffersAvidDV());
    EXPECT_EQ(ServerCalls(), kWholeExchange);
}

TEST_F(DVDetectionTest, WithoutServerNothingIsFound) {
    StopQTServer();
    UseNoMovieServer();
    EXPECT_FALSE(omfplugin::ServerOffersAvidDV());
    EXPECT_FALSE(IsRemoteObject(g_QTRemoteApp));
}

} // namespace
