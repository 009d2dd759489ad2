#include "provision/boxes.h"

#include "app/layout.h"

namespace tarnwick::provision {

int boxOf(Value value) {
    switch (value) {
    case Value::ip: return idIpAddress;
    case Value::apn: return idApn;
    case Value::user: return idUser;
    case Value::password: return idPassword;
    default: return valueBoxOf(rowOf(value));
    }
}

TextField* boxField(int id) {
    for (const ControlSpec& control : mainControls)
        if (control.id == id) return control.field;
    return nullptr;
}

std::string boxText(int id) {
    TextField* field = boxField(id);
    if (field == nullptr) return {};
    const bool raw = field->rawSelected();
    uint8_t text[TextField::rawCapacity] = {};
    field->useRaw();
    field->pull();
    std::string bytes(reinterpret_cast<const char*>(text), field->copyOut(text));
    if (!raw) field->useDisplay();
    return bytes;
}

void putBoxText(int id, const std::string& text) {
    TextField* field = boxField(id);
    if (field == nullptr) return;
    const bool raw = field->rawSelected();
    field->useRaw();
    field->assign(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    field->show();
    if (!raw) field->useDisplay();
}

}  // namespace tarnwick::provision
