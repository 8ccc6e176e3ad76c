#include "elf/TypeLayout.h"

namespace elf {

const Type* TypeAt(const DebugInfo& info, int type)
{
    if (type < 0 || static_cast<std::size_t>(type) >= info.types.size()) return nullptr;
    return &info.types[static_cast<std::size_t>(type)];
}

int StripTypedefs(const DebugInfo& info, int type)
{
    for (int step = 0; step < kMaxTypeChain; ++step) {
        const Type* t = TypeAt(info, type);
        if (!t) return -1;
        if (t->kind != TypeKind::Typedef && t->kind != TypeKind::Qualifier) return type;
        type = t->target;
    }
    return -1;
}

std::optional<std::uint32_t> ByteSize(const DebugInfo& info, int type, int depth)
{
    if (depth > kMaxTypeChain) return std::nullopt;
    const Type* t = TypeAt(info, type);
    if (!t) return std::nullopt;
    switch (t->kind) {
    case TypeKind::Typedef:
    case TypeKind::Qualifier: return ByteSize(info, t->target, depth + 1);
    case TypeKind::Array: {
        if (t->byteSize != 0) return t->byteSize;
        const auto element = ByteSize(info, t->target, depth + 1);
        if (!element) return std::nullopt;
        const std::uint64_t total = std::uint64_t{*element} * t->count;
        if (total > 0xFFFFFFFFu) return std::nullopt;
        return static_cast<std::uint32_t>(total);
    }
    case TypeKind::Enum:
        if (t->byteSize == 0 && t->target >= 0) return ByteSize(info, t->target, depth + 1);
        return t->byteSize;
    case TypeKind::Unknown: return std::nullopt;
    default: return t->byteSize;
    }
}

namespace {

std::string Text(const DebugInfo& info, int type, int depth);

// A function without a return type returns nothing.
std::string ReturnText(const DebugInfo& info, int type, int depth)
{
    return type < 0 ? "void" : Text(info, type, depth);
}

std::string Text(const DebugInfo& info, int type, int depth)
{
    const Type* t = TypeAt(info, type);
    if (!t || depth > kMaxTypeChain) return "?";
    switch (t->kind) {
    case TypeKind::Base:
    case TypeKind::Typedef: return t->name.empty() ? "?" : t->name.str();
    case TypeKind::Struct: return t->name.empty() ? "struct" : "struct " + t->name;
    case TypeKind::Union: return t->name.empty() ? "union" : "union " + t->name;
    case TypeKind::Enum: return t->name.empty() ? "enum" : "enum " + t->name;
    case TypeKind::Qualifier: return t->name.str() + " " + Text(info, t->target, depth + 1);
    case TypeKind::Pointer: {
        // Pointers to functions read inside out: "unsigned int (*)()", "int (**)()".
        std::string stars = "*";
        int target = t->target;
        for (int d = depth; d <= kMaxTypeChain; ++d) {
            const Type* p = TypeAt(info, target);
            if (!p || p->kind != TypeKind::Pointer) break;
            stars += "*";
            target = p->target;
        }
        if (const Type* f = TypeAt(info, target); f && f->kind == TypeKind::Function)
            return ReturnText(info, f->target, depth + 1) + " (" + stars + ")()";
        return (t->target < 0 ? std::string("void") : Text(info, t->target, depth + 1)) + " *";
    }
    case TypeKind::Function: return ReturnText(info, t->target, depth + 1) + " ()";
    case TypeKind::Array: {
        std::string dimensions;
        int element = type;
        for (int d = depth; d <= kMaxTypeChain; ++d) {
            const Type* a = TypeAt(info, element);
            if (!a || a->kind != TypeKind::Array) break;
            dimensions += "[" + std::to_string(a->count) + "]";
            element = a->target;
        }
        return Text(info, element, depth + 1) + dimensions;
    }
    case TypeKind::Unknown: break;
    }
    return "?";
}

} // namespace

std::string TypeText(const DebugInfo& info, int type)
{
    return Text(info, type, 0);
}

} // namespace elf
