#include "server/demo.h"

#include "server/store.h"

namespace srv {

namespace {

NoteItem item(const char* product, const char* model, const char* length, const char* wattage,
              const char* brightness, const char* sensor, const char* unit, const char* qty,
              const char* price) {
    return NoteItem{product, model, length, wattage, brightness, sensor, unit, qty, price};
}

Voucher voucher(const char* no, const char* date, const char* summary,
                std::initializer_list<VoucherLine> lines) {
    Voucher v;
    v.voucher_no = no;
    v.date = date;
    v.summary = summary;
    for (const VoucherLine& l : lines) {
        v.total_debit += l.debit;
        v.total_credit += l.credit;
        v.lines.push_back(l);
    }
    return v;
}

}  // namespace

std::string seed_demo(Store& store) {
    const std::string company = "澄岚映辉照明科技有限公司";
    int64_t boss =
        store.user_add("demo", "demo123", "enterprise", company, "李经理", "13800138000", true,
                       true);  // the demo administrator also operates the server
    int64_t clerk = store.user_add("13900139000", "demo123", "personal", "个人用户 王晓", "王晓",
                                   "13900139000", false);

    struct Sample {
        const char *no, *customer, *project, *address, *contact, *phone, *date, *status, *remark;
        std::vector<NoteItem> items;
    };
    std::vector<Sample> samples = {
        {"SHD20261101093015",
         "深圳市光年装饰工程有限公司",
         "万科城市花园三期",
         "深圳市龙岗区坂田街道万科城三期工地",
         "陈工",
         "13612345678",
         "2026-11-01",
         "已送达",
         "地下车库照明，按图纸分区摆放",
         {item("LED线条灯", "XT-1200", "1.2m", "36W", "单亮", "雷达感应", "条", "120", "58.00"),
          item("LED投光灯", "TG-50W-IP65", "", "50W", "单亮", "无", "个", "16", "145.50")}},
        {"SHD20261105142210",
         "佛山照明城新区店",
         "门店补货",
         "佛山市禅城区照明城A区12号",
         "黄老板",
         "13725252525",
         "2026-11-05",
         "已送达",
         "",
         {item("LED筒灯", "TD-7W-3000K", "", "7W", "双亮", "无", "个", "200", "12.80"),
          item("LED面板灯", "MB-600x600", "", "40W", "单亮", "无", "块", "60", "86.00"),
          item("LED灯带", "NV-2835-120", "5m", "12W", "单亮", "无", "卷", "35", "39.90")}},
        {"SHD20261112101500",
         "华润中心物业管理处",
         "华润中心写字楼",
         "深圳市南山区深南大道2666号",
         "刘主管",
         "13511112222",
         "2026-11-12",
         "待送达",
         "请于上午送达\n卸货需叉车",
         {item("感应灯管", "GY-T8-18W", "1.2m", "18W", "单亮", "雷达感应", "支", "300", "23.50"),
          item("LED吸顶灯", "XD-24W", "", "24W", "双亮", "声光控", "个", "48", "66.00")}},
        {"SHD20261120163045",
         "东莞市明辉装饰工程部",
         "保利天悦二期地下车库",
         "东莞市南城区保利天悦二期",
         "周工",
         "13699998888",
         "2026-11-20",
         "待送达",
         "分两批送货，第一批先送50%",
         {item("LED线条灯", "XT-1500", "1.5m", "45W", "单亮", "雷达感应", "条", "86.5", "72.00")}},
        {"SHD20261203090500",
         "广州天河灯饰批发中心",
         "年底备货",
         "广州市天河区天河路灯饰城",
         "吴经理",
         "13800001111",
         "2026-12-03",
         "待送达",
         "",
         {item("LED灯带", "NV-5050-60", "10m", "14.4W", "双亮", "无", "卷", "80", "65.00"),
          item("LED筒灯", "TD-12W-4000K", "", "12W", "单亮", "无", "个", "150", "18.60"),
          item("LED投光灯", "TG-100W-IP66", "", "100W", "单亮", "光控", "个", "10", "268.00")}},
    };
    for (const Sample& s : samples) {
        Note n;
        n.user_id = boss;
        n.no = s.no;
        n.customer = s.customer;
        n.project = s.project;
        n.address = s.address;
        n.contact = s.contact;
        n.contact_phone = s.phone;
        n.date = s.date;
        n.status = s.status;
        n.remark = s.remark;
        n.items = s.items;
        store.note_create(n);
    }
    Note mine;
    mine.user_id = clerk;
    mine.no = "SHD20261201110000";
    mine.customer = "中山古镇灯具市场一档";
    mine.project = "展厅样品";
    mine.address = "中山市古镇镇灯都大道";
    mine.contact = "王晓";
    mine.contact_phone = "13900139000";
    mine.date = "2026-12-01";
    mine.status = "待送达";
    mine.items = {item("LED面板灯", "MB-300x1200", "", "36W", "单亮", "无", "块", "6", "92.00")};
    store.note_create(mine);

    // The store starts with one shard; the demo adds a second.
    store.shard_add("分片二", 8);
    std::string error;
    auto main_book = store.tenant_create(1, "澄岚映辉照明主账套", "CLYH-01", error);
    auto branch = store.tenant_create(1, "澄岚映辉东莞分公司", "CLYH-DG", error);
    if (main_book) {
        store.voucher_save(*main_book,
                           voucher("001", "2026-11-02", "收到光年装饰货款",
                                   {{"收到货款", "1002 银行存款", 929600, 0},
                                    {"冲应收账款", "1122 应收账款", 0, 929600}}),
                           error);
        store.voucher_save(*main_book,
                           voucher("002", "2026-11-06", "销售LED筒灯及面板灯",
                                   {{"确认收入", "1122 应收账款", 1045200, 0},
                                    {"主营业务收入", "5001 主营业务收入", 0, 925000},
                                    {"销项税额", "2221 应交税费", 0, 120200}}),
                           error);
        store.voucher_save(*main_book,
                           voucher("003", "2026-11-15", "支付仓库租金",
                                   {{"11月租金", "5602 管理费用", 850000, 0},
                                    {"银行付款", "1002 银行存款", 0, 850000}}),
                           error);
    }
    if (branch) {
        store.voucher_save(*branch,
                           voucher("001", "2026-11-20", "采购线条灯",
                                   {{"入库", "1405 库存商品", 622800, 0},
                                    {"应付货款", "2202 应付账款", 0, 622800}}),
                           error);
    }
    return "demo accounts:\n"
           "  enterprise (administrator): account demo, password demo123, company " +
           company +
           "\n"
           "  personal: account 13900139000, password demo123\n"
           "finance: 2 shards, 2 tenants (CLYH-01, CLYH-DG) with vouchers\n";
}

}  // namespace srv
