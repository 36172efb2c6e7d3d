// The message boxes the reader showed, taken from the virtual host's log.
#include "tests/lumora/tga/tga_test_support.h"
#include "win32/hosts/virtual/virtual_host.h"

std::vector<tga_test::Box> tga_test::take_boxes() {
    std::vector<Box> boxes;
    for (const auto& record : win32::virtual_host::message_box_log()) {
        boxes.push_back(Box{record.text, record.caption, record.flags});
    }
    win32::virtual_host::clear_message_boxes();
    return boxes;
}
