#include "xm.h"

#include <algorithm>
#include <cstring>

namespace {

struct Writer {
    std::vector<uint8_t> b;
    void u8(int v) { b.push_back(uint8_t(v)); }
    void u16(int v) {
        u8(v & 255);
        u8((v >> 8) & 255);
    }
    void u32(uint32_t v) {
        u16(int(v & 0xffff));
        u16(int(v >> 16));
    }
    void text(const std::string &s, size_t n) {
        for (size_t i = 0; i < n; i++)
            u8(i < s.size() ? s[i] : 0);
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
};

void header(Writer &w, const Module &m) {
    w.text("Extended Module: ", 17);
    w.text(m.title, 20);
    w.u8(0x1a);
    w.text("quenzy modtool", 20);
    w.u16(0x0104);
    w.u32(276); // header size, counted from this field
    w.u16(int(m.order.size()));
    w.u16(m.restart);
    w.u16(m.channels);
    w.u16(int(m.patterns.size()));
    w.u16(int(m.instruments.size()));
    w.u16(1); // linear frequency table
    w.u16(m.speed);
    w.u16(m.tempo);
    for (int i = 0; i < 256; i++)
        w.u8(i < int(m.order.size()) ? m.order[i] : 0);
}

// Packed cells: a mask byte with bit 7 set, then the fields it names.
void pattern(Writer &w, const Pattern &p) {
    Writer data;
    for (const Cell &c : p.cells) {
        int mask = (c.note ? 1 : 0) | (c.inst ? 2 : 0) | (c.vol ? 4 : 0) | (c.fx ? 8 : 0) |
                   (c.param ? 16 : 0);
        data.u8(0x80 | mask);
        if (c.note)
            data.u8(c.note);
        if (c.inst)
            data.u8(c.inst);
        if (c.vol)
            data.u8(c.vol);
        if (c.fx)
            data.u8(c.fx);
        if (c.param)
            data.u8(c.param);
    }
    w.u32(9);
    w.u8(0);
    w.u16(p.rows);
    w.u16(int(data.b.size()));
    w.b.insert(w.b.end(), data.b.begin(), data.b.end());
}

void envelope(Writer &w, const Envelope &e) {
    for (int i = 0; i < 12; i++) {
        bool has = i < int(e.points.size());
        w.u16(has ? e.points[i].first : 0);
        w.u16(has ? e.points[i].second : 0);
    }
}

int envelopeFlags(const Envelope &e) {
    if (e.points.empty())
        return 0;
    return 1 | (e.sustain >= 0 ? 2 : 0) | (e.loopStart >= 0 ? 4 : 0);
}

void instrument(Writer &w, const Instrument &in) {
    const int count = int(in.samples.size());
    w.u32(count ? 263 : 29);
    w.text(in.name, 22);
    w.u8(0);
    w.u16(count);
    if (!count)
        return;
    w.u32(40);
    for (int i = 0; i < XM_NOTES; i++)
        w.u8(in.keymap[i]);
    envelope(w, in.vol);
    envelope(w, Envelope());
    w.u8(int(std::min<size_t>(in.vol.points.size(), 12)));
    w.u8(0);
    w.u8(std::max(in.vol.sustain, 0));
    w.u8(std::max(in.vol.loopStart, 0));
    w.u8(std::max(in.vol.loopEnd, 0));
    w.zeros(3); // panning sustain and loop
    w.u8(envelopeFlags(in.vol));
    w.u8(0);
    w.u8(in.vibType);
    w.u8(in.vibSweep);
    w.u8(in.vibDepth);
    w.u8(in.vibRate);
    w.u16(in.fadeout);
    w.zeros(22);
    for (const Sample &s : in.samples) {
        const uint32_t bytes = uint32_t(s.pcm.size()) * 2;
        w.u32(bytes);
        w.u32(s.loop ? uint32_t(s.loopStart) * 2 : 0);
        w.u32(s.loop ? uint32_t(s.loopLength) * 2 : 0);
        w.u8(s.volume);
        w.u8(s.finetune & 255);
        w.u8((s.loop ? 1 : 0) | 16); // forward loop, 16-bit
        w.u8(s.pan);
        w.u8(s.relnote & 255);
        w.u8(0);
        w.text(s.name, 22);
    }
    for (const Sample &s : in.samples) {
        int16_t last = 0;
        for (int16_t v : s.pcm) {
            w.u16(uint16_t(v - last));
            last = v;
        }
    }
}

} // namespace

std::vector<uint8_t> encodeXM(const Module &m) {
    Writer w;
    header(w, m);
    for (const Pattern &p : m.patterns)
        pattern(w, p);
    for (const Instrument &in : m.instruments)
        instrument(w, in);
    return w.b;
}
