"""The type stubs beside the module describe what the module has: the same names, the
same parameters with the same defaults, and a docstring on everything public."""

import ast
import inspect
import pathlib

import quobin

STUB = pathlib.Path(quobin.__file__).with_name("quobin.pyi")
TREE = ast.parse(STUB.read_text(encoding="utf-8"))
HELPER_ALIASES = {"StrPath", "Value"}


def stub_parameters(function):
    """(name, default) of a stub's def, in order; a default of ... when there is none."""
    args = function.args
    positional = args.posonlyargs + args.args
    defaults = [...] * (len(positional) - len(args.defaults)) + [
        ast.literal_eval(d) for d in args.defaults]
    parameters = [(a.arg, d) for a, d in zip(positional, defaults)]
    if args.vararg:
        parameters.append(("*" + args.vararg.arg, ...))
    return parameters


def runtime_parameters(function):
    parameters = []
    for p in inspect.signature(function).parameters.values():
        name = "*" + p.name if p.kind is p.VAR_POSITIONAL else p.name
        parameters.append((name, ... if p.default is p.empty else p.default))
    return parameters


def stub_functions():
    """(owner, def) for every function of the stub, owner None at module level."""
    for node in TREE.body:
        if isinstance(node, ast.FunctionDef):
            yield None, node
        elif isinstance(node, ast.ClassDef):
            for inner in node.body:
                if isinstance(inner, ast.FunctionDef) and not any(
                        isinstance(d, ast.Name) and d.id == "property" for d in inner.decorator_list):
                    yield node.name, inner


def test_every_public_name_is_in_the_stub_and_back():
    stubbed = {n.name for n in TREE.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    stubbed |= {t.id for n in TREE.body if isinstance(n, ast.AnnAssign) for t in [n.target]}
    public = {name for name in dir(quobin) if not name.startswith("_")} | {"__version__"}
    assert stubbed - HELPER_ALIASES == public


def test_signatures_match_the_stub():
    for owner, function in stub_functions():
        runtime = getattr(getattr(quobin, owner), function.name) if owner else getattr(quobin, function.name)
        expected = stub_parameters(function)
        if function.name == "__init__":
            runtime, expected = getattr(quobin, owner), expected[1:]
        assert runtime_parameters(runtime) == expected, f"{owner}.{function.name}"


def test_everything_public_has_a_docstring():
    for name in dir(quobin):
        if name.startswith("_"):
            continue
        thing = getattr(quobin, name)
        assert (thing.__doc__ or "").strip(), name
        if inspect.isclass(thing) and not issubclass(thing, BaseException):
            for member, value in vars(thing).items():
                if not member.startswith("_"):
                    assert (getattr(value, "__doc__", "") or "").strip(), f"{name}.{member}"
