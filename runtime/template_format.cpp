#include "runtime/template_format.h"

#include "runtime/byte_stream.h"

namespace quill {

std::string WriteUnitRecord(const UnitRecord& u) {
    ByteWriter w;
    w.u32(u.type);
    w.u32(u.handlerDonor);
    for (int i = 0; i < 4; ++i) w.i32(0);
    w.terminated(u.name);
    w.terminated(u.comment);
    w.i32(0);
    w.i32(u.left);
    w.i32(u.top);
    w.i32(u.width);
    w.i32(u.height);
    w.i32(0);
    w.u32(u.container);
    w.i32(static_cast<int32_t>(u.children.size()));
    for (uint32_t c : u.children) w.u32(c);
    w.blob(u.cursor);
    w.terminated(u.tag);
    w.i32(0);
    w.i32(u.flags);
    w.i32(0);
    w.i32(static_cast<int32_t>(u.events.size()));
    for (const EventBinding& e : u.events) {
        w.i32(e.event);
        w.i32(e.handlerOffset);
    }
    for (int i = 0; i < 5; ++i) w.i32(0);
    w.raw(u.ownProperties);
    return w.take();
}

bool ReadUnitRecord(const uint8_t* data, size_t size, UnitRecord* out) {
    ByteReader r(data, size);
    UnitRecord u;
    u.type = r.u32();
    u.handlerDonor = r.u32();
    r.skip(16);
    u.name = r.terminated();
    u.comment = r.terminated();
    r.skip(4);
    u.left = r.i32();
    u.top = r.i32();
    u.width = r.i32();
    u.height = r.i32();
    r.skip(4);
    u.container = r.u32();
    int32_t childCount = r.i32();
    if (childCount < 0 || static_cast<size_t>(childCount) > r.remaining() / 4) return false;
    for (int32_t i = 0; i < childCount; ++i) u.children.push_back(r.u32());
    u.cursor = r.blob();
    u.tag = r.terminated();
    r.skip(4);
    u.flags = r.i32();
    r.skip(4);
    int32_t eventCount = r.i32();
    if (eventCount < 0 || static_cast<size_t>(eventCount) > r.remaining() / 8) return false;
    for (int32_t i = 0; i < eventCount; ++i) {
        EventBinding e;
        e.event = r.i32();
        e.handlerOffset = r.i32();
        u.events.push_back(e);
    }
    r.skip(20);
    if (!r.ok()) return false;
    u.ownProperties = r.raw(r.remaining());
    *out = std::move(u);
    return true;
}

static std::string WriteUnitBlock(const WindowEntry& win) {
    std::vector<std::string> records;
    for (const UnitRecord& u : win.units) records.push_back(WriteUnitRecord(u));
    ByteWriter w;
    for (uint32_t id : win.unitIds) w.u32(id);
    int32_t offset = 0;
    for (const std::string& rec : records) {
        w.i32(offset);
        offset += 4 + static_cast<int32_t>(rec.size());
    }
    for (const std::string& rec : records) w.blob(rec);
    return w.take();
}

void LinkContainers(WindowEntry* window) {
    std::vector<UnitRecord>& units = window->units;
    for (size_t i = 0; i < units.size(); ++i) {
        units[i].children.clear();
        for (size_t j = 1; j < units.size(); ++j) {
            const uint32_t container = units[j].container;
            if ((i == 0 && container == 0) || (i > 0 && container == window->unitIds[i]))
                units[i].children.push_back(window->unitIds[j]);
        }
    }
}

std::string WriteTemplate(const WindowTemplate& tpl) {
    ByteWriter table;
    for (uint32_t id : tpl.windowIds) table.u32(id);
    for (size_t i = 0; i < tpl.windowIds.size(); ++i) table.u32(0);
    ByteWriter w;
    w.blob(table.bytes());
    for (const WindowEntry& win : tpl.windows) {
        w.i32(win.valueA);
        w.u32(win.valueB);
        w.blob(win.textA);
        w.blob(win.textB);
        w.i32(static_cast<int32_t>(win.units.size()));
        w.blob(WriteUnitBlock(win));
    }
    return w.take();
}

static bool ReadUnitBlock(const std::string& block, int32_t count, WindowEntry* win) {
    ByteReader r(block);
    if (count < 0 || static_cast<size_t>(count) > block.size() / 8) return false;
    for (int32_t i = 0; i < count; ++i) win->unitIds.push_back(r.u32());
    std::vector<int32_t> offsets;
    for (int32_t i = 0; i < count; ++i) offsets.push_back(r.i32());
    if (!r.ok()) return false;
    const uint8_t* base = r.position();
    const size_t baseSize = r.remaining();
    for (int32_t i = 0; i < count; ++i) {
        if (offsets[i] < 0 || static_cast<size_t>(offsets[i]) > baseSize) return false;
        ByteReader rec(base + offsets[i], baseSize - static_cast<size_t>(offsets[i]));
        std::string bytes = rec.blob();
        UnitRecord u;
        if (!rec.ok() || !ReadUnitRecord(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &u))
            return false;
        win->units.push_back(std::move(u));
    }
    return true;
}

bool ReadTemplate(const uint8_t* data, size_t size, WindowTemplate* out) {
    ByteReader r(data, size);
    WindowTemplate tpl;
    std::string table = r.blob();
    if (!r.ok() || table.size() % 8 != 0) return false;
    const size_t windowCount = table.size() / 8;
    ByteReader t(table);
    for (size_t i = 0; i < windowCount; ++i) tpl.windowIds.push_back(t.u32());
    for (size_t i = 0; i < windowCount; ++i) {
        WindowEntry win;
        win.valueA = r.i32();
        win.valueB = r.u32();
        win.textA = r.blob();
        win.textB = r.blob();
        int32_t unitCount = r.i32();
        std::string block = r.blob();
        if (!r.ok() || !ReadUnitBlock(block, unitCount, &win)) return false;
        // Record 0 is always the window itself.
        if (win.units.empty() || win.units[0].type != kTypeWindow) return false;
        tpl.windows.push_back(std::move(win));
    }
    *out = std::move(tpl);
    return true;
}

}  // namespace quill
