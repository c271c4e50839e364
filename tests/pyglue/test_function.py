"""pyglue function objects, checked against real `def`s of the same shape through the test-only
pyglue_probe module (built beside the bundle, never shipped)."""
import errno
import gc
import inspect
import pickle
import sys
import threading
import weakref

import pytest

from conftest import import_probe


@pytest.fixture(scope="module")
def probe():
    return import_probe("pyglue_probe")


REFERENCE_DEFS = """
def mixed(a: 'int', b, c: 'str' = 'x', *, k: 'float', m=5) -> 'tuple':
    return (a, b, c, k, m)
def four(a, b, c, d):
    return (a, b, c, d)
def one(a):
    return (a,)
def none():
    return ()
def kwonly(*, k1, k2, k3=None):
    return (k1, k2, k3)
"""


@pytest.fixture(scope="module")
def reference():
    namespace = {}
    exec(REFERENCE_DEFS, namespace)
    return namespace


def outcome(fn, args, kwargs):
    try:
        return ("ok", fn(*args, **kwargs))
    except TypeError as exc:
        return ("TypeError", str(exc))


CALLS = [
    ("mixed", (), {}),
    ("mixed", (1,), {}),
    ("mixed", (1, 2), {}),
    ("mixed", (1, 2), {"k": 3}),
    ("mixed", (1, 2, 3), {"k": 4, "m": 6}),
    ("mixed", (), {"b": 2, "a": 1, "k": 0}),
    ("mixed", (1,), {"c": 3, "k": 1}),
    ("mixed", (1, 2, 3, 4), {}),
    ("mixed", (1, 2, 3, 4), {"k": 1}),
    ("mixed", (1, 2, 3, 4, 5), {"k": 1, "m": 2}),
    ("mixed", (1,), {"a": 1, "k": 1}),
    ("mixed", (1, 2), {"k": 1, "z": 0}),
    ("mixed", (1, 2, 3, 4), {"z": 1}),
    ("four", (), {}),
    ("four", (1,), {}),
    ("four", (1, 2), {}),
    ("four", (1, 2, 3), {}),
    ("four", (1,), {"c": 3}),
    ("four", (1, 2, 3, 4, 5), {}),
    ("one", (), {}),
    ("one", (1, 2), {}),
    ("one", (), {"a": 1}),
    ("one", (1,), {"a": 2}),
    ("one", (), {"b": 1}),
    ("one", (), {"".join(["a"]): "not interned"}),
    ("none", (), {}),
    ("none", (1,), {}),
    ("none", (1, 2), {}),
    ("none", (), {"x": 1}),
    ("kwonly", (), {}),
    ("kwonly", (), {"k2": 1}),
    ("kwonly", (), {"k1": 1, "k2": 2}),
    ("kwonly", (1,), {}),
    ("kwonly", (1,), {"k1": 1}),
    ("kwonly", (1, 2), {"k1": 1, "k2": 2}),
]


@pytest.mark.parametrize("name,args,kwargs", CALLS)
def test_binding_and_messages_match_a_def(probe, reference, name, args, kwargs):
    assert outcome(getattr(probe, name), args, kwargs) == outcome(reference[name], args, kwargs)


@pytest.mark.parametrize("name", ["mixed", "four", "one", "none", "kwonly"])
def test_introspection_matches_a_def(probe, reference, name):
    ours, theirs = getattr(probe, name), reference[name]
    assert str(inspect.signature(ours)) == str(inspect.signature(theirs))
    assert list(ours.__annotations__.items()) == list(theirs.__annotations__.items())
    assert ours.__defaults__ == theirs.__defaults__
    assert ours.__kwdefaults__ == theirs.__kwdefaults__
    assert (ours.__name__, ours.__qualname__, ours.__doc__) == (name, name, None)
    assert ours.__module__ == "pyglue_probe"
    assert ours.__globals__ is vars(probe)
    assert repr(ours) == f"<function {name} at 0x{id(ours):x}>"


def test_body_reads_arguments_by_name_and_supplied_defaults(probe):
    # However the call spells them, the body gets each argument under its own name.
    assert probe.named(1, 2, k=0) == ("x", 1, 5)
    assert probe.named(c="c", b=2, a="a", k=0, m=9) == ("c", "a", 9)
    assert str(inspect.signature(probe.supplied)) == "(*, obj='made at start-up')"
    assert probe.supplied() == ("made at start-up",)


def test_qualname_and_doc_shape_repr_and_messages(probe):
    f = probe.documented
    assert (f.__name__, f.__qualname__, f.__doc__) == ("documented", "Outer.documented", "Belgeli işlev.")
    assert repr(f).startswith("<function Outer.documented at 0x")
    with pytest.raises(TypeError, match=r"^Outer\.documented\(\) takes 0 positional arguments but 1 was given$"):
        f(1)


def test_attributes_are_settable_like_a_def(probe, reference):
    f = probe.mixed
    saved = (f.__doc__, f.__name__, f.__defaults__, f.__kwdefaults__)
    try:
        f.__doc__ = "yeni"
        f.__name__ = "renamed"
        assert (f.__doc__, f.__name__) == ("yeni", "renamed")
        with pytest.raises(TypeError, match="__name__ must be set to a string object"):
            f.__name__ = 3
        with pytest.raises(TypeError, match="__defaults__ must be set to a tuple object"):
            f.__defaults__ = ["x"]
        with pytest.raises(ValueError, match="more items than positional parameters"):
            f.__defaults__ = (1, 2, 3, 4)
        # New defaults change both binding and the signature, as for a def.
        ref = reference["mixed"]
        for fn in (f, ref):
            fn.__defaults__ = ("B", "C")
            fn.__kwdefaults__ = {"k": "K", "m": "M"}
        assert f(1) == ref(1) == (1, "B", "C", "K", "M")
        assert str(inspect.signature(f)) == str(inspect.signature(ref))
        f.__kwdefaults__ = None
        ref.__kwdefaults__ = None
        assert outcome(f, (1,), {}) == outcome(ref, (1,), {})
    finally:
        f.__doc__, f.__name__, f.__defaults__, f.__kwdefaults__ = saved
        reference["mixed"].__defaults__, reference["mixed"].__kwdefaults__ = ("x",), {"m": 5}
    assert f(1, 2, k=3) == (1, 2, "x", 3, 5)


def test_function_protocols(probe):
    f = probe.one
    assert pickle.loads(pickle.dumps(f)) is f
    assert weakref.ref(f)() is f
    f.custom = "değer"
    assert f.__dict__["custom"] == "değer"
    del f.custom

    class Holder:
        method = probe.one

    holder = Holder()
    assert holder.method() == (holder,)
    assert Holder.method(5) == (5,)
    assert vars(probe) in gc.get_referents(f)


def test_calls_from_several_threads(probe):
    results = []

    def worker(n):
        for i in range(200):
            results.append(probe.mixed(n, i, k=i))

    threads = [threading.Thread(target=worker, args=(n,)) for n in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert len(results) == 800 and all(r[2:] == ("x", r[1], 5) for r in results)


def test_globals_lookup_order(probe):
    assert probe.lookup("len") is len
    probe.len = "module wins"
    try:
        assert probe.lookup("len") == "module wins"
    finally:
        del probe.len
    assert probe.lookup("len") is len
    with pytest.raises(NameError, match=r"^name 'no_such_name' is not defined$"):
        probe.lookup("no_such_name")


@pytest.mark.parametrize("source,name", [("os", "path"), ("json", "decoder"), ("json", "no_such_name"),
                                         ("sys", "no_such_name"), ("no_such_module", "x")])
def test_import_name_behaves_like_the_statement(probe, source, name):
    def outcome_of(run):
        try:
            return ("ok", run())
        except ImportError as exc:
            return (type(exc), str(exc), exc.name, exc.path)
    namespace = {}
    statement = outcome_of(lambda: exec(f"from {source} import {name} as value", namespace) or namespace["value"])
    assert outcome_of(lambda: probe.import_name(source, name)) == statement


@pytest.mark.parametrize(
    "kind,exc_type,message",
    [
        ("python", KeyError, "'from python'"),
        ("builtin", ValueError, "builtin value"),
        ("bad_alloc", MemoryError, ""),
        ("invalid_argument", ValueError, "bad argument"),
        ("domain_error", ValueError, "bad domain"),
        ("out_of_range", IndexError, "too far"),
        ("runtime_error", RuntimeError, "plain failure"),
        ("unknown", SystemError, "unknown C++ exception"),
        ("null", SystemError, "raise_cpp() returned NULL without setting an exception"),
    ],
)
def test_exception_seam(probe, kind, exc_type, message):
    with pytest.raises(exc_type) as info:
        probe.raise_cpp(kind)
    assert type(info.value) is exc_type
    assert str(info.value) == message


def test_exception_seam_os_errors(probe):
    with pytest.raises(PermissionError) as info:
        probe.raise_cpp("system_error")
    assert info.value.errno == errno.EACCES and "opening" in info.value.strerror
    with pytest.raises(FileNotFoundError) as info:
        probe.raise_cpp("filesystem_error")
    assert info.value.errno == errno.ENOENT and info.value.filename == "/no/such"
