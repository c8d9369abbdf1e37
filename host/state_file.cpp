#include "host/state_file.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "sound/atomic_file.h"

namespace host {

namespace {

constexpr char magic[4] = {'K', 'v', 'S', 't'};

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
}
uint32_t get32(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

}  // namespace

const char* chunk_kind_name(chunk_kind kind) {
    return kind == chunk_kind::program ? "program" : "bank";
}

bool parse_chunk_kind(const std::string& text, chunk_kind& out) {
    if (text == "bank") out = chunk_kind::bank;
    else if (text == "program") out = chunk_kind::program;
    else return false;
    return true;
}

std::vector<uint8_t> encode_state(const plugin_state& state) {
    if (state.chunk.size() > max_chunk_size) throw std::runtime_error("the state is too large");
    std::vector<uint8_t> out(magic, magic + 4);
    out.reserve(state_header_size + state.chunk.size());
    put32(out, uint32_t(state.unique_id));
    put32(out, uint32_t(state.kind));
    put32(out, uint32_t(state.chunk.size()));
    out.insert(out.end(), state.chunk.begin(), state.chunk.end());
    return out;
}

plugin_state decode_state(const uint8_t* data, size_t size, const std::string& name) {
    if (size < 4 || std::memcmp(data, magic, 4) != 0)
        throw std::runtime_error(name + " is not a state file saved by kaveo-render");
    if (size < state_header_size)
        throw std::runtime_error(name + " is truncated: its header ends after " +
                                 std::to_string(size) + " bytes");
    plugin_state s;
    s.unique_id = VstInt32(get32(data + 4));
    uint32_t kind = get32(data + 8);
    if (kind > 1)
        throw std::runtime_error(name + " holds an unknown kind of state (" +
                                 std::to_string(kind) + ")");
    s.kind = chunk_kind(kind);
    uint64_t n = get32(data + 12), have = size - state_header_size;
    if (n > have)
        throw std::runtime_error(name + " is truncated: its chunk of " + std::to_string(n) +
                                 " bytes has only " + std::to_string(have));
    if (n < have)
        throw std::runtime_error(name + " has " + std::to_string(have - n) +
                                 " bytes after its chunk of " + std::to_string(n));
    s.chunk.assign(data + state_header_size, data + size);
    return s;
}

void write_state_file(const std::string& path, const plugin_state& state) {
    std::vector<uint8_t> bytes = encode_state(state);
    try {
        replace_file(path, [&](serializer& out) {
            out.put_chunk(bytes.data(), int32_t(bytes.size()));
        });
    } catch (const std::exception& e) {
        throw std::runtime_error("cannot write the state file " + path + ": " + e.what());
    }
}

plugin_state read_state_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the state file " + path + ": " + std::strerror(errno));
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || uint64_t(size) > state_header_size + max_chunk_size)
        throw std::runtime_error("cannot read the state file " + path + ": it is too large");
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in) throw std::runtime_error("cannot read the state file " + path);
    return decode_state(bytes.data(), bytes.size(), path);
}

std::string unique_id_text(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((uint32_t(id) >> shift) & 0xFF);
        s += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return s;
}

void require_chunks(plugin& p, const std::string& plugin_path, const std::string& what) {
    if (!(p.effect()->flags & effFlagsProgramChunks))
        throw std::runtime_error(what + " needs a plug-in that keeps its state in chunks; " +
                                 plugin_path + " does not (its flags lack programs-are-chunks)");
}

plugin_state get_state(plugin& p, chunk_kind kind) {
    void* block = nullptr;
    VstIntPtr size = p.dispatch(effGetChunk, kind == chunk_kind::program ? 1 : 0, 0, &block);
    if (size <= 0 || !block)
        throw std::runtime_error(std::string("the plug-in gave no ") + chunk_kind_name(kind) +
                                 " chunk (effGetChunk answered " + std::to_string(size) + ")");
    if (uint64_t(size) > max_chunk_size)
        throw std::runtime_error("the plug-in's state is too large to save");
    plugin_state s;
    s.unique_id = p.effect()->uniqueID;
    s.kind = kind;
    auto* bytes = static_cast<const uint8_t*>(block);
    s.chunk.assign(bytes, bytes + size);
    return s;
}

void set_state(plugin& p, chunk_kind kind, const std::vector<uint8_t>& chunk,
               const std::string& source) {
    if (chunk.empty() || chunk.size() > max_chunk_size)
        throw std::runtime_error(source + ": the " + chunk_kind_name(kind) +
                                 " chunk is empty or too large");
    // The plug-in may keep the pointer no longer than the call, but may write nothing.
    std::vector<uint8_t> copy = chunk;
    VstIntPtr answer = p.dispatch(effSetChunk, kind == chunk_kind::program ? 1 : 0,
                                  VstIntPtr(copy.size()), copy.data());
    if (answer == 0)
        throw std::runtime_error("the plug-in could not read the " +
                                 std::string(chunk_kind_name(kind)) + " chunk from " + source +
                                 " (effSetChunk answered 0)");
}

}  // namespace host
