#include "export/workbooks.h"

#include <cmath>

namespace nv {

namespace {

int64_t price_cents(double yuan) {
    return std::isfinite(yuan) && std::fabs(yuan) < 1e15 ? std::llround(yuan * 100) : 0;
}

}  // namespace

std::vector<XlsxSheet> notes_workbook(const std::vector<DeliveryNote>& notes) {
    XlsxSheet lines{u"明细",
                    {u"送货单号", u"日期", u"客户名称", u"项目楼盘", u"状态", u"商品名称", u"型号",
                     u"长度", u"瓦数", u"单/双亮", u"感应模式", u"数量", u"单位", u"单价", u"金额"},
                    {}};
    XlsxSheet heads{u"送货单",
                    {u"送货单号", u"日期", u"客户名称", u"项目楼盘", u"联系人", u"联系电话",
                     u"送货地址", u"状态", u"明细数", u"合计"},
                    {}};
    using C = XlsxCell;
    for (const DeliveryNote& n : notes) {
        for (const Item& it : n.items) {
            lines.rows.push_back({C::Text(n.number), C::Date(n.date), C::Text(n.customer),
                                  C::Text(n.project), C::Text(n.status), C::Text(it.product),
                                  C::Text(it.model), C::Text(it.length), C::Text(it.wattage),
                                  C::Text(it.brightness), C::Text(it.sensor_mode),
                                  C::Number(it.quantity), C::Text(it.unit),
                                  C::Money(price_cents(it.price)), C::Money(line_cents(it))});
        }
        heads.rows.push_back(
            {C::Text(n.number), C::Date(n.date), C::Text(n.customer), C::Text(n.project),
             C::Text(n.contact), C::Text(n.contact_phone), C::Text(n.address), C::Text(n.status),
             C::Number(static_cast<double>(n.items.size())), C::Money(note_cents(n))});
    }
    return {std::move(lines), std::move(heads)};
}

std::vector<XlsxSheet> statement_workbook(const Statement& statement) {
    std::vector<XlsxSheet> book = notes_workbook(statement.notes);
    std::vector<XlsxCell> total(book[1].header.size());
    total.front() = XlsxCell::Text(u"合计");
    total.back() = XlsxCell::Money(statement.total_cents);
    book[1].rows.push_back(std::move(total));
    return book;
}

}  // namespace nv
