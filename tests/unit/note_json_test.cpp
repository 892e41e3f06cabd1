#include "notes/note_json.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace nv {
namespace {

DeliveryNote FromText(std::u16string_view text) {
    JsonValue v;
    EXPECT_TRUE(json_parse(utf16_to_utf8(text), v));
    return note_from_json(v);
}

TEST(NoteFromJson, MapsEveryMemberAndCutsTheDate) {
    DeliveryNote n = FromText(
        u"{\"id\":57,\"no\":\"SHD1\",\"customer\":\"客户\",\"project\":\"项目\",\"address\":"
        u"\"地址\","
        u"\"contact\":\"王\",\"contactPhone\":138,\"remark\":\"r\",\"status\":\"已送达\","
        u"\"date\":\"2025-03-01T08:00:00Z\",\"items\":[{\"product\":\"灯\",\"model\":\"M\","
        u"\"length\":\"1m\",\"wattage\":\"5W\",\"brightness\":\"单亮\",\"sensorMode\":\"无\","
        u"\"unit\":\"个\",\"quantity\":\"3\",\"price\":12.5},7]}");
    EXPECT_EQ(n.id, 57);
    EXPECT_EQ(n.number, u"SHD1");
    EXPECT_EQ(n.contact_phone, u"138");
    EXPECT_EQ(n.status, u"已送达");
    EXPECT_EQ(n.date, u"2025-03-01");
    ASSERT_EQ(n.items.size(), 2u);
    EXPECT_EQ(n.items[0].sensor_mode, u"无");
    EXPECT_EQ(n.items[0].quantity, 3);
    EXPECT_EQ(n.items[0].price, 12.5);
    EXPECT_EQ(n.items[1].product, u"");  // a non-object item
    EXPECT_EQ(n.items[1].quantity, 0);
}

TEST(NoteFromJson, DefaultsForMissingNullAndOddMembers) {
    DeliveryNote n = FromText(u"{\"id\":-3.9,\"status\":null,\"date\":\"2025-3-1\",\"items\":{}}");
    EXPECT_EQ(n.id, -3);
    EXPECT_EQ(n.status, u"待送达");
    EXPECT_EQ(n.date, u"2025-3-1");
    EXPECT_TRUE(n.items.empty());
    EXPECT_EQ(FromText(u"{\"id\":1e20}").id, 0);  // does not fit 32 bits
    DeliveryNote d = FromText(u"[1]");
    EXPECT_EQ(d.id, 0);
    EXPECT_EQ(d.status, u"待送达");
}

}  // namespace
}  // namespace nv
