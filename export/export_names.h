// The names an export gives its files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nv {

// "送货单_" + the note number, every control character and each of < > : " / \ | ? * as "_";
// the save dialog adds the extension.
std::u16string export_file_name(std::u16string_view note_number);

// "送货单列表_" + the date without its dashes, for the workbook of the list.
std::u16string list_export_file_name(std::u16string_view date);

// The temporary file beside the destination: path + ".nv-export-" + process id + ".tmp".
std::u16string export_temp_path(std::u16string_view destination, uint32_t process_id);

// The company printed at the top of an exported document: the service's name when the call
// succeeds with one, else the stored one, else "澄岚映辉". The session is not changed.
std::u16string export_company(std::u16string_view stored, bool service_ok,
                              std::u16string_view from_service);

}  // namespace nv
