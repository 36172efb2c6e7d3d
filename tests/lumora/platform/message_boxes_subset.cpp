// Message boxes on our subset: the headless host answers them (OK for an MB_OK box) and logs
// them.
#include "message_boxes.h"

#include "win32/hosts/virtual/virtual_host.h"

void platform_test::watch_message_boxes() { win32::virtual_host::clear_message_boxes(); }

std::vector<platform_test::Box> platform_test::take_message_boxes() {
    std::vector<Box> boxes;
    for (const auto& record : win32::virtual_host::message_box_log()) boxes.push_back(Box{record.text, record.caption});
    win32::virtual_host::clear_message_boxes();
    return boxes;
}
