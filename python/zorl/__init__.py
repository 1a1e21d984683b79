"""The plug-in of image look-up tables, hosted by the zorl engine.

Every class of the plug-in's method table (LUT1, LUT2, LUT3, LUTC3) and of
the engine (Buffer, FrameBuffer, RECT, ColorRef, Image, Error) is a class
here, made from the table when the module loads, with the methods and
overloads that scripts have. See python/README.md.
"""
import re

from . import _zorl

__all__ = ["LutError", "LutWarning", "ImageFile", "read_image", "write_image",
           "read_palette", "write_palette", "display_table", "set_threads",
           "list_series", "memory_held", "memory_budget"]


class LutError(Exception):
    """An error a method raised: number, text, method ("LUT2::Convert2To1"),
    errors (every error of the call, as (number, text, method)) and result
    (what the call produced, as a script would have received it)."""

    def __init__(self, number, text, method, errors, result):
        super().__init__(number, text, method, errors, result)
        self.number, self.text, self.method = number, text, method
        self.errors, self.result = errors, result

    def __str__(self):
        more = len(self.errors) - 1
        return "error %d: %s%s%s" % (
            self.number, self.text,
            " (in %s)" % self.method if self.method else "",
            " (and %d more)" % more if more > 0 else "")

    def __reduce__(self):
        return (LutError, (self.number, self.text, self.method, self.errors,
                           self.result))


class LutWarning(UserWarning):
    """What a script shows as a warning (an argument of a kind that does not
    fit its parameter, a table entry that is no byte)."""


_zorl.set_error_types(LutError, LutWarning)

memory_held = _zorl.memory_held
memory_budget = _zorl.memory_budget


def _camel(name):
    """rescale_slope -> RescaleSlope, base_line -> BaseLine."""
    return "".join(w[:1].upper() + w[1:] for w in name.split("_"))


def _snake(name):
    """RescaleSlope -> rescale_slope."""
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", name).lower()


def _rebuild(cls, data, members):
    return _zorl.rebuild(cls, data, members)


class _Object(_zorl.Object):
    """An engine object. Members read and write as attributes, under their
    own names (BaseLine) or Python ones (base_line)."""

    def __new__(cls, *args):
        # Every object has its holder, empty until a constructor (or the
        # engine) gives it a value.
        self = super().__new__(cls)
        _zorl.Object.__init__(self)
        return self

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        members = _zorl.members(self)
        for m in (name, _camel(name)):
            if m in members:
                return _zorl.get_member(self, m)
        raise AttributeError("%s has no member %s" % (type(self).__name__,
                                                      name))

    def __setattr__(self, name, value):
        members = _zorl.members(self) if not name.startswith("_") else ()
        for m in (name, _camel(name)):
            if m in members:
                return _zorl.set_member(self, m, value)
        raise AttributeError("%s has no member %s" % (type(self).__name__,
                                                      name))

    def __dir__(self):
        return sorted(set(super().__dir__()) | set(_zorl.members(self)))

    def __reduce__(self):
        return (_rebuild, _zorl.state(self))

    def __eq__(self, other):
        if not isinstance(other, _Object):
            return NotImplemented
        return _zorl.state(self) == _zorl.state(other)

    __hash__ = None

    def __repr__(self):
        cls, data, members = _zorl.state(self)
        return "<zorl.%s of %s bytes%s>" % (
            cls, "no" if data is None else len(data),
            "".join(", %s=%r" % kv for kv in sorted(members.items())
                    if not isinstance(kv[1], (bytes, list))))


def _method(cls, attr, name, signatures):
    def method(self, *args):
        return _zorl.call(self, name, args)
    # Importable by name, so that pickle (and Dask) send bound methods such
    # as t.Convert2To1 by reference.
    method.__name__, method.__qualname__ = attr, cls + "." + attr
    method.__module__ = __name__
    method.__doc__ = "\n".join(signatures)
    return method


def _constructor(cls, signatures):
    def __init__(self, *args):
        _zorl.construct(self, cls, args)
    __init__.__doc__ = "\n".join(signatures)
    __init__.__qualname__, __init__.__module__ = cls + ".__init__", __name__
    return __init__


def _make_classes():
    made = {}
    rows = _zorl.classes()
    pending = list(rows)
    while pending:
        later = []
        for name, base, methods in pending:
            if base and base not in made:
                later.append((name, base, methods))
                continue
            ns = {"__module__": __name__,
                  "__init__": _constructor(name, methods.get(name, [name]))}
            for method, signatures in methods.items():
                if method == name:
                    continue
                attr = "__mul__" if method == "*" else method
                ns[attr] = _method(name, attr, method, signatures)
            made[name] = type(name, (made[base] if base else _Object,), ns)
            _zorl.register_type(name, made[name])
        if len(later) == len(pending):
            raise ImportError("zorl: classes whose bases are missing: %s" %
                              [row[0] for row in later])
        pending = later
    _zorl.register_type("", _Object)
    return made


globals().update(_make_classes())
__all__ += [row[0] for row in _zorl.classes()]


class ImageFile:
    """A picture as read_image gives it: pixels (a numpy array: (h, w) uint8,
    (h, w) int16 or uint16 for 16-bit samples as signed says, (h, w, 3) uint8
    blue-green-red) and the members scripts see, under Python names
    (width, height, depth, signed, bits_stored, photometric, rescale_slope,
    rescale_intercept, window_center, window_width, frames, ...)."""

    def __init__(self, members):
        for name, value in members.items():
            setattr(self, _snake(name), value)

    def __repr__(self):
        return "<zorl.ImageFile %dx%d depth %d>" % (self.width, self.height,
                                                    self.depth)


def read_image(path, frame=0):
    """Reads frame `frame` of an image file (PGM/PPM, PNG, TIFF, JPEG,
    DICOM) with the readers scripts use."""
    return ImageFile(_zorl.read_image(str(path), int(frame)))


def write_image(path, image, option=None, signed=None):
    """Writes an ImageFile, a numpy array of pixels, or a list of them (the
    pages of a TIFF). option: a JPEG's quality or a TIFF's compression.
    signed: for an array, whether its samples are signed (default: an int16
    array is)."""
    pages = image if isinstance(image, list) else [image]
    out = []
    for page in pages:
        if isinstance(page, ImageFile):
            out.append((page.pixels, bool(page.signed)))
        else:
            sign = signed if signed is not None else (
                getattr(page, "dtype", None) is not None and
                page.dtype.kind == "i" and page.dtype.itemsize == 2)
            out.append((page, bool(sign)))
    _zorl.write_image(str(path), out, option)


def display_table(image, *choice):
    """The table that shows an image read_image gave as its file intends
    (modality, VOI, presentation): a LUT1 or LUT2, as DisplayTable in
    scripts. choice: none (the file's first VOI), "window", k or "lut", k
    (from 1), a centre and width [and a function], a preset name, "none"."""
    return _zorl.display_table(image, *choice)


def set_threads(n):
    """The threads one conversion over a large buffer may use (1 to 256; 0:
    the cores the process may use, or ZORL_THREADS), as SetThreads in
    scripts, for every thread of this process; returns the count in
    force."""
    return _zorl.set_threads(n)


def read_palette(path, k=None):
    """[red, green, blue] lists of entries (or table k of them)."""
    return _zorl.read_palette(str(path), k)


def write_palette(path, red, green, blue):
    """Writes a .lut, .cube or .csv palette."""
    _zorl.write_palette(str(path), red, green, blue)


def list_series(folder):
    """The DICOM files of a folder in slice order."""
    return _zorl.list_series(str(folder))
