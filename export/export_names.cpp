#include "export/export_names.h"

#include "base/text.h"

namespace nv {

std::u16string export_file_name(std::u16string_view note_number) {
    std::u16string name = u"送货单_" + std::u16string(note_number);
    for (char16_t& c : name) {
        if (c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos)
            c = u'_';
    }
    return name;
}

std::u16string export_temp_path(std::u16string_view destination, uint32_t process_id) {
    return std::u16string(destination) + u".nv-export-" + format_int(process_id) + u".tmp";
}

std::u16string list_export_file_name(std::u16string_view date) {
    std::u16string name = u"送货单列表_";
    for (char16_t c : date) {
        if (c != u'-')
            name.push_back(c);
    }
    return name;
}

std::u16string export_company(std::u16string_view stored, bool service_ok,
                              std::u16string_view from_service) {
    std::u16string company(service_ok && !from_service.empty() ? from_service : stored);
    return company.empty() ? u"澄岚映辉" : company;
}

}  // namespace nv
