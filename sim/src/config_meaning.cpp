#include "config_meaning.h"

namespace sim {

namespace {

struct Row {
    int code1;
    int code2;
    std::vector<std::uint8_t> data;
    const char* setting;
    const char* value;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {0x81, 0x82, {0x00}, "BPS", "9600"},
        {0x81, 0x82, {0x01}, "BPS", "19200"},
        {0x81, 0x82, {0x04}, "BPS", "115200"},
        {0x92, 0x93, {0x0D, 0x01, 0xF8}, "Column", "42"},
        {0x92, 0x93, {0x0D, 0x00, 0x00}, "Column", "48"},
        {0x82, 0x82, {0xE5, 0x00}, "Buzzer", "Use"},
        {0x82, 0x82, {0xE1, 0x00}, "Buzzer", "Not use"},
        {0x92, 0x92, {0x0C, 0x00}, "Cut", "Command"},
        {0x92, 0x92, {0x0C, 0x02}, "Cut", "Full"},
        {0x92, 0x92, {0x0C, 0x01}, "Cut", "Partial"},
        {0x92, 0x92, {0x84, 0x01}, "Jam", "Use"},
        {0x92, 0x92, {0x84, 0x00}, "Jam", "Not use"},
    };
    return table;
}

} // namespace

std::optional<SettingMeaning> config_meaning(int code1, int code2,
                                             const std::vector<std::uint8_t>& data) {
    for (const Row& r : rows())
        if (r.code1 == code1 && r.code2 == code2 && r.data == data)
            return SettingMeaning{r.setting, r.value};
    return std::nullopt;
}

} // namespace sim
