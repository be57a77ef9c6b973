#include "port/serial_settings.h"

namespace quillet::port {
namespace {

asio::serial_port::flow_control::type FlowOf(Flow flow) {
    switch (flow) {
    case Flow::XonXoff:
        return asio::serial_port::flow_control::software;
    case Flow::RtsCts:
        return asio::serial_port::flow_control::hardware;
    case Flow::None:
        break;
    }
    return asio::serial_port::flow_control::none;
}

} // namespace

std::error_code ApplyLineSettings(asio::serial_port& serial, const LineSettings& line) {
    using sp = asio::serial_port;
    std::error_code error;
    serial.set_option(sp::baud_rate(line.baud), error);
    if (!error)
        serial.set_option(sp::character_size(8), error);
    if (!error)
        serial.set_option(sp::parity(sp::parity::none), error);
    if (!error)
        serial.set_option(sp::stop_bits(sp::stop_bits::one), error);
    if (!error)
        serial.set_option(sp::flow_control(FlowOf(line.flow)), error);
    return error;
}

} // namespace quillet::port
