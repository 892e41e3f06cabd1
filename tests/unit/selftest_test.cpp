#include "selftest/selftest.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace nv {
namespace {

class SelfTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::http_reset();
        fake::set_local_now({2026, 12, 6, 9, 30, 0});
    }
    std::vector<std::u16string> Run() {
        std::vector<std::u16string> lines;
        run_selftest(DataCaller{u"http://h", u"7", u""},
                     [&](const std::u16string& l) { lines.push_back(l); });
        return lines;
    }
};

TEST_F(SelfTest, SevenLinesForAnEmptyAccount) {
    fake::http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    fake::http_answer_json(200, u"{\"success\":true,\"id\":9}");
    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"id\":9,\"no\":"
                           u"\"NVTESTSHD20261206093000\",\"customer\":\"客户端自检（可删）\","
                           u"\"items\":[{\"quantity\":2,\"price\":10}]}]}");
    fake::http_answer_json(200, u"{\"success\":true}");
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"账号或密码错误\"}");
    std::vector<std::u16string> lines = Run();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], u"server=http://h userId=7");
    EXPECT_EQ(lines[1], u"[1] list: ok=1 msg= count=0");
    EXPECT_EQ(lines[2], u"[2] create: ok=1 msg=");
    EXPECT_EQ(lines[3], u"[3] readback: id=9 customer=客户端自检（可删） items=1 total=20.00");
    EXPECT_EQ(lines[4].substr(0, 18), u"[4] payload bytes=");
    EXPECT_EQ(lines[5], u"[5] delete: ok=1 msg=");
    EXPECT_EQ(lines[6], u"[6] login(bad): ok=0 msg=账号或密码错误");
    const auto& calls = fake::http_calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_NE(calls[1].body.find(u"\"no\":\"NVTESTSHD20261206093000\""), std::u16string::npos);
    EXPECT_NE(calls[1].body.find(u"\"quantity\":2,\"unit\":\"根\",\"price\":10.00"),
              std::u16string::npos);
    EXPECT_EQ(calls[3].body, u"{\"id\":9,\"userId\":\"7\"}");
    EXPECT_EQ(calls[4].body,
              u"{\"account\":\"__nobody__\",\"password\":\"__nopwd__\",\"userType\":\"personal\"}");
}

TEST_F(SelfTest, FirstNoteLinesAndNotFoundWhenCreateFails) {
    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"no\":\"A1\",\"customer\":\"c\","
                           u"\"project\":\"p\",\"date\":\"2026-01-02\",\"items\":[{\"product\":"
                           u"\"灯\",\"model\":\"T5\",\"quantity\":1.5,\"price\":\"3\"}]}]}");
    fake::http_answer_json(500, u"{\"success\":false,\"message\":\"服务器忙\"}");
    fake::http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"no\"}");
    std::vector<std::u16string> lines = Run();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2],
              u"    first: no=A1 customer=c project=p date=2026-01-02 status=待送达 "
              u"items=1 total=4.50");
    EXPECT_EQ(lines[3], u"    item0: 灯 | T5 | qty=1.50 price=3.00");
    EXPECT_EQ(lines[4], u"[2] create: ok=0 msg=服务器忙");
    EXPECT_EQ(lines[5], u"[3] readback: NOT FOUND");
    EXPECT_EQ(lines[6], u"[6] login(bad): ok=0 msg=no");  // the run goes on
}

TEST_F(SelfTest, NetworkDownStillWritesEveryLine) {
    std::vector<std::u16string> lines = Run();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], u"[1] list: ok=0 msg=读取送货单失败：无法连接服务器: fake count=0");
    EXPECT_EQ(lines[3], u"[3] readback: NOT FOUND");
    EXPECT_EQ(lines[4], u"[6] login(bad): ok=0 msg=登录失败：无法连接服务器: fake");
}

}  // namespace
}  // namespace nv
