#include "notes/note_service.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "base/text.h"
#include "fakes/fakes.h"

namespace nv {
namespace {

using fake::http_answer_json;
using fake::http_calls;

class NoteService : public ::testing::Test {
protected:
    void SetUp() override {
        fake::http_reset();
        fake::set_local_now({2025, 1, 2, 3, 4, 5});
    }
};

DeliveryNote SampleNote() {
    DeliveryNote n;
    n.id = 57;
    n.number = u"SHD20250102030405";
    n.customer = u"澄岚";
    n.project = u"P";
    n.contact = u"王";
    n.contact_phone = u"138";
    n.address = u"A";
    n.remark = u"第一行\n\"引号\"";
    n.date = u"2025-01-02";
    n.status = u"待送达";
    Item a;
    a.product = u"灯";
    a.model = u"M";
    a.length = u"1m";
    a.wattage = u"5W";
    a.brightness = u"单亮";
    a.sensor_mode = u"无";
    a.unit = u"个";
    a.quantity = 2;
    a.price = 35;
    Item b = a;
    b.quantity = 2.5;
    b.price = 12.345;
    n.items = {a, b};
    return n;
}

TEST_F(NoteService, BodiesByteForByte) {
    EXPECT_EQ(login_body(u"a\"b", u"p\\w", true),
              u"{\"account\":\"a\\\"b\",\"password\":\"p\\\\w\",\"userType\":\"enterprise\"}");
    EXPECT_EQ(login_body(u"a", u"p", false),
              u"{\"account\":\"a\",\"password\":\"p\",\"userType\":\"personal\"}");
    const std::u16string items =
        u"\"items\":[{\"product\":\"灯\",\"model\":\"M\",\"length\":\"1m\",\"wattage\":\"5W\","
        u"\"brightness\":\"单亮\",\"sensorMode\":\"无\",\"quantity\":2,\"unit\":\"个\","
        u"\"price\":35.00},{\"product\":\"灯\",\"model\":\"M\",\"length\":\"1m\","
        u"\"wattage\":\"5W\",\"brightness\":\"单亮\",\"sensorMode\":\"无\",\"quantity\":2.50,"
        u"\"unit\":\"个\",\"price\":12.35}]";
    const std::u16string fields =
        u"\"customer\":\"澄岚\",\"project\":\"P\",\"contact\":\"王\",\"contactPhone\":\"138\","
        u"\"address\":\"A\",\"remark\":\"第一行\\n\\\"引号\\\"\",\"date\":\"2025-01-02\","
        u"\"status\":\"待送达\"";
    EXPECT_EQ(note_body(SampleNote(), u"42", true),
              u"{\"no\":\"SHD20250102030405\"," + fields + u",\"userId\":\"42\"," + items + u"}");
    EXPECT_EQ(note_body(SampleNote(), u"42", false), u"{\"id\":57," + fields + u"," + items + u"}");
    DeliveryNote empty;
    EXPECT_NE(note_body(empty, u"1", true)->find(u"\"items\":[]}"), std::u16string::npos);
    EXPECT_EQ(delete_body(-3, u"U&1"), u"{\"id\":-3,\"userId\":\"U&1\"}");
}

// JSON has no infinity or NaN: such a note is refused before anything is sent.
TEST_F(NoteService, NonFiniteNumbersAreNeverSent) {
    for (double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        DeliveryNote n = SampleNote();
        n.items[1].price = bad;
        EXPECT_FALSE(note_body(n, u"42", true).has_value());
        n.items[1].price = 1;
        n.items[0].quantity = bad;
        ServiceResult r = service_save_note(DataCaller{u"http://h", u"42", u""}, n, false);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, u"保存送货单失败：数量或单价不是有效的数字");
    }
    EXPECT_TRUE(fake::http_calls().empty());
}

TEST_F(NoteService, UrlsMethodsAndQueryEncoding) {
    std::vector<DeliveryNote> notes;
    std::u16string company;
    DeliveryNote note = SampleNote();
    User user;
    static_cast<void>(
        service_list_notes(DataCaller{u"http://h:8080/ /", u"USER_1700000000000", u""}, notes));
    static_cast<void>(service_company_info(DataCaller{u"https://h/api//", u"42", u""}, company));
    static_cast<void>(service_list_notes(DataCaller{u"http://h", u"a&b #c 照", u""}, notes));
    static_cast<void>(service_save_note(DataCaller{u"http://h/", u"1", u""}, note, true));
    static_cast<void>(service_save_note(DataCaller{u"http://h", u"1", u""}, note, false));
    static_cast<void>(service_delete_note(DataCaller{u"http://h", u"1", u""}, 5));
    static_cast<void>(service_login(u"http://h", u"a", u"p", false, user));
    const auto& c = http_calls();
    ASSERT_EQ(c.size(), 7u);
    EXPECT_EQ(c[0].url, u"http://h:8080/api/delivery-notes?userId=USER_1700000000000");
    EXPECT_EQ(c[0].method, u"GET");
    EXPECT_EQ(c[0].body, u"");
    EXPECT_EQ(c[0].headers, u"");
    EXPECT_EQ(c[1].url, u"https://h/api/api/company/info?user_id=42");
    EXPECT_EQ(c[2].url, u"http://h/api/delivery-notes?userId=a%26b%20%23c%20%E7%85%A7");
    EXPECT_EQ(c[3].method, u"POST");
    EXPECT_EQ(c[3].url, u"http://h/api/delivery-notes");
    EXPECT_EQ(c[4].method, u"PUT");
    EXPECT_EQ(c[5].method, u"DELETE");
    EXPECT_EQ(c[5].body, u"{\"id\":5,\"userId\":\"1\"}");
    EXPECT_EQ(c[6].url, u"http://h/api/users/login");
    EXPECT_EQ(query_encode(u"42-a.b_c~"), u"42-a.b_c~");
}

TEST_F(NoteService, EnvelopeCases) {
    auto check = [](uint32_t status, std::u16string_view body) {
        HttpResult h;
        h.network_ok = true;
        h.status = status;
        h.body = utf16_to_utf8(body);
        return envelope_check(h, u"读取送货单");
    };
    EXPECT_TRUE(check(200, u"{\"success\":true}").ok);
    EXPECT_TRUE(check(500, u"{\"success\":true}").ok);  // the status plays no part
    EXPECT_EQ(check(200, u"{\"success\":1,\"message\":\"m\"}").message, u"m");
    EXPECT_FALSE(check(200, u"{\"success\":\"true\"}").ok);
    EXPECT_EQ(check(200, u"{\"success\":\"true\"}").message, u"读取送货单失败");
    EXPECT_EQ(check(200, u"{\"success\":false,\"message\":12}").message, u"12");
    EXPECT_EQ(check(200, u"{\"success\":false,\"message\":1.5}").message, u"1.50");
    EXPECT_EQ(check(200, u"{\"success\":false,\"message\":null}").message, u"读取送货单失败");
    EXPECT_EQ(check(200, u"{\"success\":true,\"success\":false}").ok, true);  // first wins
    EXPECT_EQ(check(200, u"not json").message, u"读取送货单失败：服务器返回无法解析");
    EXPECT_EQ(check(200, u"[true]").message, u"读取送货单失败");
    EXPECT_EQ(check(404, u"{\"success\":false,\"message\":\"用户不存在\"}").message, u"用户不存在");
    HttpResult down;
    down.error = u"网络请求失败（错误码 12029）";
    ServiceResult r = envelope_check(down, u"登录");
    EXPECT_EQ(r.message, u"登录失败：网络请求失败（错误码 12029）");
    EXPECT_EQ(r.response.kind(), JsonKind::Null);
}

TEST_F(NoteService, LoginReadsTheUserAndRefusesMissingData) {
    User u;
    http_answer_json(200,
                     u"{\"success\":true,\"data\":{\"id\":42,\"username\":\"李\","
                     u"\"phone\":\"138\",\"enterpriseName\":\"澄岚\"}}");
    EXPECT_TRUE(service_login(u"http://h", u"a", u"p", true, u).ok);
    EXPECT_EQ(u.id, u"42");
    EXPECT_EQ(u.enterprise_name, u"澄岚");
    http_answer_json(200, u"{\"success\":true}");
    EXPECT_EQ(service_login(u"http://h", u"a", u"p", true, u).message, u"登录失败：返回数据异常");
    http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    ServiceResult r = service_login(u"http://h", u"a", u"p", true, u);
    EXPECT_EQ(r.message, u"登录失败：未取得用户ID");
    EXPECT_EQ(u.username, u"");
}

TEST_F(NoteService, ListMappingAndFailureKeepsTheList) {
    std::vector<DeliveryNote> notes(1);
    notes[0].number = u"KEEP";
    http_answer_json(200, u"{\"success\":true,\"data\":{}}");
    EXPECT_EQ(service_list_notes(DataCaller{u"h", u"1", u""}, notes).message,
              u"读取送货单失败：数据格式异常");
    EXPECT_EQ(notes[0].number, u"KEEP");
    http_answer_json(200, u"{\"success\":false,\"message\":\"x\"}");
    static_cast<void>(service_list_notes(DataCaller{u"h", u"1", u""}, notes));
    EXPECT_EQ(notes.size(), 1u);
    http_answer_json(200,
                     u"{\"success\":true,\"data\":[{\"id\":7,\"status\":null,\"date\":"
                     u"\"2025-03-01T08:00:00Z\",\"items\":[{\"quantity\":\"3\"}]},5]}");
    EXPECT_TRUE(service_list_notes(DataCaller{u"h", u"1", u""}, notes).ok);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].status, u"待送达");
    EXPECT_EQ(notes[0].date, u"2025-03-01");
    EXPECT_EQ(notes[0].items[0].quantity, 3);
    EXPECT_EQ(notes[1].id, 0);
    http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    EXPECT_TRUE(service_list_notes(DataCaller{u"h", u"1", u""}, notes).ok);
    EXPECT_TRUE(notes.empty());
}

TEST_F(NoteService, CreateTakesTheTopLevelIdOnly) {
    DeliveryNote n;
    http_answer_json(200, u"{\"success\":true,\"id\":57}");
    EXPECT_TRUE(service_save_note(DataCaller{u"h", u"1", u""}, n, true).ok);
    EXPECT_EQ(n.id, 57);
    DeliveryNote m;
    http_answer_json(200, u"{\"success\":true,\"data\":{\"id\":58}}");
    static_cast<void>(service_save_note(DataCaller{u"h", u"1", u""}, m, true));
    EXPECT_EQ(m.id, 0);
    http_answer_json(200, u"{\"success\":true,\"id\":-4}");
    static_cast<void>(service_save_note(DataCaller{u"h", u"1", u""}, m, true));
    EXPECT_EQ(m.id, 0);
    DeliveryNote u = SampleNote();
    http_answer_json(200, u"{\"success\":true,\"id\":99}");
    static_cast<void>(service_save_note(DataCaller{u"h", u"1", u""}, u,
                                        false));  // an update never changes the id
    EXPECT_EQ(u.id, 57);
}

TEST_F(NoteService, CompanyInfo) {
    std::u16string company = u"old";
    http_answer_json(200, u"{\"success\":true}");
    static_cast<void>(service_company_info(DataCaller{u"h", u"1", u""}, company));
    EXPECT_EQ(company, u"old");
    http_answer_json(200, u"{\"success\":true,\"data\":{\"enterprise_name\":\"澄岚\"}}");
    static_cast<void>(service_company_info(DataCaller{u"h", u"1", u""}, company));
    EXPECT_EQ(company, u"澄岚");
    http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    static_cast<void>(service_company_info(DataCaller{u"h", u"1", u""}, company));
    EXPECT_EQ(company, u"");
}

}  // namespace
}  // namespace nv
