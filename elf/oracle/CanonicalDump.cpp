#include "elf/oracle/CanonicalDump.h"

#include <set>
#include <sstream>

#include "elf/TypeLayout.h"

namespace elf::oracle {
namespace {

constexpr std::size_t kMaxDumpBytes = 1u << 20;

std::string SizeText(const DebugInfo& info, int type)
{
    const auto size = ByteSize(info, type);
    return size ? std::to_string(*size) : "?";
}

class Dumper {
public:
    explicit Dumper(const DebugInfo& info) : m_info(info) {}

    std::string Run()
    {
        m_out << "dwarf " << m_info.dwarfVersion << "\nproducer " << m_info.producer << '\n';
        for (const Variable& v : m_info.variables) {
            m_out << "variable " << v.name << " @0x" << std::hex << v.byteAddress << std::dec << " : "
                  << TypeText(m_info, v.type) << " (" << SizeText(m_info, v.type) << ")\n";
            Expand(v.type, 1);
            if (m_out.tellp() > static_cast<std::streamoff>(kMaxDumpBytes)) {
                m_out << "...\n";
                break;
            }
        }
        return m_out.str();
    }

private:
    // Each type's parts once, at the first place it is reached.
    void Expand(int type, int depth)
    {
        for (int step = 0; step < kMaxTypeChain; ++step) {
            const Type* t = TypeAt(m_info, type);
            if (!t || !m_expanded.insert(type).second || depth > kMaxTypeChain) return;
            const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
            switch (t->kind) {
            case TypeKind::Struct:
            case TypeKind::Union:
                for (const Member& m : t->members) {
                    m_out << indent << '.' << m.name << " +" << m.byteOffset;
                    if (m.bitSize) m_out << " bits " << m.bitLsb << ':' << m.bitSize << '/' << m.unitBytes;
                    m_out << " : " << TypeText(m_info, m.type) << " (" << SizeText(m_info, m.type) << ")\n";
                    Expand(m.type, depth + 1);
                }
                return;
            case TypeKind::Enum:
                for (const Enumerator& e : t->enumerators) m_out << indent << e.name << " = " << e.value << '\n';
                return;
            case TypeKind::Base:
            case TypeKind::Unknown: return;
            default: type = t->target; break; // pointers, arrays, typedefs, qualifiers, functions
            }
        }
    }

    const DebugInfo& m_info;
    std::ostringstream m_out;
    std::set<int> m_expanded;
};

} // namespace

std::string CanonicalDump(const DebugInfo& info)
{
    return Dumper(info).Run();
}

} // namespace elf::oracle
