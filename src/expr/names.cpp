// Names, alias->( ... ), array elements and macros.
//
// A name is bound once per context generation. A name the context does not know stays unbound and
// is looked up again whenever it is evaluated, since a variable may be created after binding; when
// it is still missing the fault "Variable does not exist" (or "Alias does not exist") is raised,
// which may be retried but has no default, as in xBase runtimes.
#include "core/xbase.h"
#include "expr/detail.h"

namespace expr::detail {
namespace {

using core::Value;

// The depth of macros within macros (&x where x holds "&y" ...).
constexpr int kMaxMacroDepth = 4;

class NameNode final : public Node {
public:
    NameNode(std::size_t pos, Scope scope, std::string alias, std::string name)
        : Node(pos), m_scope(scope), m_alias(std::move(alias)), m_name(std::move(name))
    {
    }

    void bind(Binder& b) override
    {
        m_boundScope = m_scope;
        m_boundAlias = m_alias;
        if (!b.alias.empty() && (m_scope == Scope::Any || m_scope == Scope::Field)) {
            m_boundScope = Scope::Alias;
            m_boundAlias = std::string(b.alias);
        }
        m_binding = b.ctx.bind(ref());
        m_kind = m_binding.found() ? m_binding.kind : Kind::Any;
    }

    void eval(Env& env, Value& out) override
    {
        if (!m_binding.found())
            resolve(env);
        m_binding.source->read(m_binding.slot, out);
    }

    void appendText(Env& env, std::string& out) override
    {
        if (m_kind == Kind::Text)
            m_binding.source->appendText(m_binding.slot, out);
        else
            Node::appendText(env, out);
    }

    bool segment(Segment& s) const override
    {
        if (m_kind != Kind::Text && m_kind != Kind::Date)
            return false;
        s.raw = m_binding.source->rawField(m_binding.slot);
        s.type = Segment::Bytes;
        return s.raw.available();
    }

    void dump(std::string& out) const override
    {
        switch (m_scope) {
        case Scope::Alias: out += m_alias + "->"; break;
        case Scope::Field: out += "FIELD->"; break;
        case Scope::Memvar: out += "M->"; break;
        case Scope::Any: break;
        }
        out += m_name;
    }

private:
    NameRef ref() const { return {m_boundScope, m_boundAlias, m_name}; }

    void resolve(Env& env)
    {
        for (;;) {
            m_binding = env.ctx.bind(ref());
            if (m_binding.found())
                return;
            if (m_boundScope == Scope::Alias && !m_binding.aliasKnown)
                env.fault(core::EG_NOALIAS, 1002, m_boundAlias, {}, true, false);
            else
                env.fault(core::EG_NOVAR, 1003, m_boundScope == Scope::Alias ? m_boundAlias + "->" + m_name : m_name,
                          {}, true, false);
        }
    }

    Scope m_scope;
    std::string m_alias;
    std::string m_name;
    Scope m_boundScope = Scope::Any;
    std::string m_boundAlias;
    Binding m_binding;
};

// alias->( expression ): the expression's unqualified names and table-state functions refer to
// the table open under the alias.
class AliasedNode final : public Node {
public:
    AliasedNode(std::size_t pos, std::string alias, NodePtr inner)
        : Node(pos), m_alias(std::move(alias)), m_inner(std::move(inner))
    {
    }

    void bind(Binder& b) override
    {
        const std::string_view outer = b.alias;
        b.alias = m_alias;
        m_inner->bind(b);
        b.alias = outer;
        m_kind = m_inner->kind();
    }
    void eval(Env& env, Value& out) override { m_inner->eval(env, out); }
    void appendText(Env& env, std::string& out) override { m_inner->appendText(env, out); }
    bool segment(Segment& s) const override { return m_inner->segment(s); }
    void dump(std::string& out) const override
    {
        out += m_alias + "->(";
        m_inner->dump(out);
        out += ')';
    }

private:
    std::string m_alias;
    NodePtr m_inner;
};

// base[i], base[i, j], base[i][j]: elements of 1-based arrays (the report accumulators).
class IndexNode final : public Node {
public:
    IndexNode(std::size_t pos, NodePtr base, std::vector<NodePtr> indexes)
        : Node(pos), m_base(std::move(base)), m_indexes(std::move(indexes))
    {
    }

    void bind(Binder& b) override
    {
        m_base->bind(b);
        for (auto& i : m_indexes)
            i->bind(b);
    }

    void eval(Env& env, Value& out) override
    {
        for (;;) {
            m_base->eval(env, m_container);
            bool retry = false;
            for (std::size_t k = 0; k < m_indexes.size() && !retry; ++k) {
                m_indexes[k]->eval(env, m_index);
                const auto& array = m_container.asArray();
                if (!m_container.isArray() || !m_index.isNumber()) {
                    retry = failed(env, core::EG_ARG, 1068);
                    if (!retry) {
                        out = Value();
                        return;
                    }
                    continue;
                }
                const double i = m_index.asNumber();
                if (!(i >= 1 && i < double(array->size()) + 1)) {
                    retry = failed(env, core::EG_BOUND, 1132);
                    if (!retry) {
                        out = Value();
                        return;
                    }
                    continue;
                }
                const Value element = (*array)[std::size_t(i) - 1];
                m_container = element;
            }
            if (!retry) {
                out = m_container;
                return;
            }
        }
    }

    void dump(std::string& out) const override
    {
        out += "(index ";
        m_base->dump(out);
        for (const auto& i : m_indexes) {
            out += ' ';
            i->dump(out);
        }
        out += ')';
    }

private:
    bool failed(Env& env, int genCode, int subCode)
    {
        return env.fault(genCode, subCode, "array access", {m_container, m_index}, false, true)
               == core::FaultAnswer::Retry;
    }

    NodePtr m_base;
    std::vector<NodePtr> m_indexes;
    Value m_container;
    Value m_index;
};

// &name and &( expression ): the text is compiled by this same evaluator, with its limits, and
// evaluated against the same context. The last text compiled is kept, so a macro whose text does
// not change compiles once.
class MacroNode final : public Node {
public:
    MacroNode(std::size_t pos, NodePtr source) : Node(pos), m_source(std::move(source)) {}

    void bind(Binder& b) override
    {
        m_source->bind(b);
        m_boundGeneration = 0;
    }

    void eval(Env& env, Value& out) override
    {
        for (;;) {
            m_source->eval(env, m_text);
            if (!m_text.isText()) {
                if (env.fault(core::EG_ARG, 1080, "&", {m_text}, false, true) == core::FaultAnswer::Default) {
                    out = Value();
                    return;
                }
                continue;
            }
            if (env.depth >= kMaxMacroDepth) {
                if (env.fault(core::EG_COMPLEXITY, 0, "&", {m_text}, false, true) == core::FaultAnswer::Default) {
                    out = Value();
                    return;
                }
                continue;
            }
            const std::string& text = m_text.asText();
            env.charge(std::int64_t(text.size()) + 1);
            if (!m_root || text != m_compiledText) {
                CompileError error;
                m_root = parse(text, error);
                m_compiledText = text;
                m_boundGeneration = 0;
                if (!m_root) {
                    if (env.fault(core::EG_SYNTAX, 1449, "&", {m_text}, false, true) == core::FaultAnswer::Default) {
                        out = Value();
                        return;
                    }
                    continue;
                }
            }
            if (m_boundGeneration != env.ctx.generation() || m_boundContext != &env.ctx) {
                Binder binder(env.ctx);
                m_root->bind(binder);
                m_boundGeneration = env.ctx.generation();
                m_boundContext = &env.ctx;
            }
            struct Depth {
                explicit Depth(Env& e) : env(e) { ++env.depth; }
                ~Depth() { --env.depth; }
                Env& env;
            } depth(env);
            m_root->eval(env, out);
            return;
        }
    }

    void dump(std::string& out) const override
    {
        out += "(& ";
        m_source->dump(out);
        out += ')';
    }

private:
    NodePtr m_source;
    Value m_text;
    std::string m_compiledText;
    NodePtr m_root;
    std::uint64_t m_boundGeneration = 0;
    Context* m_boundContext = nullptr;
};

}  // namespace

NodePtr makeName(std::size_t pos, Scope scope, std::string alias, std::string name)
{
    return std::make_unique<NameNode>(pos, scope, std::move(alias), std::move(name));
}

NodePtr makeAliased(std::size_t pos, std::string alias, NodePtr inner)
{
    return std::make_unique<AliasedNode>(pos, std::move(alias), std::move(inner));
}

NodePtr makeIndex(std::size_t pos, NodePtr base, std::vector<NodePtr> indexes)
{
    return std::make_unique<IndexNode>(pos, std::move(base), std::move(indexes));
}

NodePtr makeMacro(std::size_t pos, NodePtr source) { return std::make_unique<MacroNode>(pos, std::move(source)); }

}  // namespace expr::detail
