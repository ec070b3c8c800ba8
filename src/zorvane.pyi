# Type stubs of the `zorvane` extension module, for type checkers and editors.
#
# Installed with the module as the stub package `zorvane-stubs`: for a single-file extension that is
# the one place where mypy looks (PEP 561 inline types need a package). `make typecheck` runs
# stubtest against the built module and mypy --strict over examples/; tests/test_stubs.py holds the
# results declared here against what operators, attributes and functions return.
#
# Names that start with "_" exist only here: use them in annotations under TYPE_CHECKING or in
# quotes. `_Expression` is every expression class, `_Condition` every comparison or logical class.
#
# The docstrings of the public names are their runtime `__doc__` (src/python/docs.cpp), written by
# tools/stub_docs.py after `make build`; tests/test_stub_docs.py holds them equal. The private
# helper classes have comments instead of docstrings: editors would show a helper's docstring on
# the public classes that inherit from it.
#
# Operator results follow the builders: literals fold and neutral operands drop out, so `p + 1`
# is an `AddOp` but `p + 0` is `p` itself; the declared results are every class that can come back.
# Operations that always raise are left out where a type checker can then refuse them (ordering of
# the enumerations and sample-set classes; `1 / x` and `2 ** x` for a decision variable, which has
# no `%` at all).
# stubtest skips missing slots; tests/test_stubs.py lists these omissions.

from collections.abc import Callable, Mapping, Sequence
from typing import Any, ClassVar, NoReturn, SupportsFloat, SupportsIndex, TypeVar, final, overload, type_check_only

import numpy as np
import numpy.typing as npt
import pandas as pd
from typing_extensions import Self, TypeAlias, TypedDict, Unpack

__all__ = [
    "__version__",
    "ModelingError",
    "ProtobufSerializationError",
    "ProtobufDeserializationError",
    "is_linear",
    "is_quadratic",
    "is_higher_order",
    "is_dynamic_degree",
    "extract_nodes",
    "extract_variables",
    "is_same",
    "abs",
    "ceil",
    "floor",
    "log2",
    "log10",
    "ln",
    "min",
    "max",
    "sum",
    "prod",
    "to_protobuf",
    "from_protobuf",
    "replace",
    "concatenate",
    "DataType",
    "NumberLit",
    "Placeholder",
    "Range",
    "Element",
    "Subscript",
    "ArrayLength",
    "DummyIndexedVar",
    "BinaryVar",
    "IntegerVar",
    "ContinuousVar",
    "SemiIntegerVar",
    "SemiContinuousVar",
    "AbsOp",
    "CeilOp",
    "FloorOp",
    "Log2Op",
    "Log10Op",
    "LnOp",
    "AddOp",
    "MulOp",
    "ModOp",
    "MinOp",
    "MaxOp",
    "PowOp",
    "SumOp",
    "ProdOp",
    "AndOp",
    "OrOp",
    "XorOp",
    "EqualOp",
    "NotEqualOp",
    "LessThanOp",
    "LessThanEqualOp",
    "GreaterThanOp",
    "GreaterThanEqualOp",
    "Problem",
    "ProblemSense",
    "Constraint",
    "ConstraintSense",
    "CustomPenaltyTerm",
    "Evaluation",
    "Record",
    "SolvingTime",
    "SystemTime",
    "MeasuringTime",
    "SampleSet",
]

__version__: str

_T = TypeVar("_T")

# ---------------------------------------------------------------------------------------------
# What the conversions accept
# ---------------------------------------------------------------------------------------------

# A number literal: int, bool, float, numpy scalars, anything with __index__ or __float__.
_Number: TypeAlias = SupportsFloat | SupportsIndex
# Anything that converts to an expression (placeholders, elements, subscripts and decision
# variables only when scalar, which the type does not tell).
_Operand: TypeAlias = _Number | _Expression
# The key of a subscript: one expression or a sequence of them (tuple keys included).
_Key: TypeAlias = _Operand | Sequence[_Operand]
_KeyItem: TypeAlias = _Operand | slice
# The index of `sum` and `prod`: an element, optionally with its condition, or a sequence of them.
_IndexItem: TypeAlias = Element | tuple[Element, _Condition]
_Index: TypeAlias = _IndexItem | Sequence[_IndexItem]
# A forall list: one item or a sequence of items.
_ForallItem: TypeAlias = Element | tuple[Element, _Condition | None]
_Forall: TypeAlias = _ForallItem | Sequence[_ForallItem]
# What the model functions take and what `from_protobuf` gives back.
_Model: TypeAlias = Problem | Constraint | CustomPenaltyTerm | _Operand | _Condition
_DecisionVariable: TypeAlias = BinaryVar | IntegerVar | ContinuousVar | SemiIntegerVar | SemiContinuousVar
_Variable: TypeAlias = Placeholder | Element | ArrayLength | _DecisionVariable
_ConstraintCondition: TypeAlias = EqualOp | LessThanEqualOp | GreaterThanEqualOp

# ---------------------------------------------------------------------------------------------
# Shared members (no such classes at run time)
# ---------------------------------------------------------------------------------------------

# Any expression or condition node.
@type_check_only
class _Node:
    def _repr_latex_(self) -> str: ...

@type_check_only
class _Latex(_Node):
    def set_latex(self, latex: str | None = None) -> None:
        """Set the LaTeX representation of the object.
        If the LaTeX representation is not set, the default representation is set.

        Args:
            latex (str, optional): LaTeX representation of the object. Defaults to None.
        """

# Every expression class; the results here hold for all of them.
@type_check_only
class _Expression(_Node):
    __hash__: ClassVar[None]  # type: ignore[assignment]
    __array_priority__: ClassVar[float]
    def __add__(self, other: _Operand, /) -> _Expression: ...
    def __radd__(self, other: _Number, /) -> _Expression: ...
    def __sub__(self, other: _Operand, /) -> _Expression: ...
    def __rsub__(self, other: _Number, /) -> AddOp | MulOp | NumberLit: ...
    def __mul__(self, other: _Operand, /) -> _Expression: ...
    def __rmul__(self, other: _Number, /) -> _Expression: ...
    def __truediv__(self, other: _Operand, /) -> MulOp | PowOp | NumberLit: ...
    def __pow__(self, exponent: _Operand, modulo: None = None, /) -> PowOp: ...
    def __neg__(self) -> MulOp | NumberLit: ...
    # Comparisons build condition nodes (`3 < p` is `p > 3`). Checkers type `1 == p` as bool (they
    # take int.__eq__), although it too is an EqualOp: keep the expression on the left of `==`.
    def __eq__(self, other: _Operand, /) -> EqualOp: ...  # type: ignore[override]
    def __ne__(self, other: _Operand, /) -> NotEqualOp: ...  # type: ignore[override]
    def __lt__(self, other: _Operand, /) -> LessThanOp: ...
    def __le__(self, other: _Operand, /) -> LessThanEqualOp: ...
    def __gt__(self, other: _Operand, /) -> GreaterThanOp: ...
    def __ge__(self, other: _Operand, /) -> GreaterThanEqualOp: ...

# Remainder, reflected division and powers: every expression class but the decision variables.
@type_check_only
class _Arithmetic(_Expression):
    @overload
    def __pow__(self, exponent: _Operand, modulo: None = None, /) -> PowOp: ...
    @overload
    def __pow__(self, exponent: _Operand, modulo: _Operand, /) -> ModOp: ...
    def __rpow__(self, base: _Number, modulo: None = None, /) -> PowOp: ...
    def __mod__(self, other: _Operand, /) -> ModOp: ...
    def __rmod__(self, other: _Number, /) -> ModOp: ...
    def __rtruediv__(self, other: _Number, /) -> MulOp | PowOp | NumberLit: ...

# A node that enters sums and products whole: only a zero or a one leaves it as it is.
@type_check_only
class _Term(_Expression):
    def __add__(self, other: _Operand, /) -> Self | AddOp: ...
    def __radd__(self, other: _Number, /) -> Self | AddOp: ...
    def __sub__(self, other: _Operand, /) -> Self | AddOp: ...
    def __rsub__(self, other: _Number, /) -> AddOp | MulOp: ...
    def __mul__(self, other: _Operand, /) -> Self | MulOp | NumberLit: ...
    def __rmul__(self, other: _Number, /) -> Self | MulOp | NumberLit: ...
    def __truediv__(self, other: _Operand, /) -> MulOp: ...
    def __neg__(self) -> MulOp: ...

# Every comparison or logical class. `&`, `|` and `^` take conditions only; a condition has no
# truth value.
@type_check_only
class _Condition(_Latex):
    def __and__(self, other: _Condition, /) -> AndOp: ...
    def __rand__(self, other: _Condition, /) -> AndOp: ...
    def __or__(self, other: _Condition, /) -> OrOp: ...
    def __ror__(self, other: _Condition, /) -> OrOp: ...
    def __xor__(self, other: _Condition, /) -> XorOp: ...
    def __rxor__(self, other: _Condition, /) -> XorOp: ...
    def __bool__(self) -> NoReturn: ...

# ---------------------------------------------------------------------------------------------
# Exceptions
# ---------------------------------------------------------------------------------------------

class ModelingError(Exception): ...
class ProtobufSerializationError(Exception): ...
class ProtobufDeserializationError(Exception): ...

# ---------------------------------------------------------------------------------------------
# Module functions
# ---------------------------------------------------------------------------------------------

def is_linear(expr: _Operand) -> bool:
    """Return true if the given expression is linear.

    The expression is linear when its degree in the decision variables is 1 and the degree is determined statically.

    Args:
        expr: An expression.

    Returns:
        bool: True if the given expression is linear, otherwise False.

    Examples:
        >>> import zorvane as zv
        >>> x = zv.BinaryVar("x")
        >>> zv.is_linear(x + 1)
        True
        >>> zv.is_linear(x * x)
        False
    """

def is_quadratic(expr: _Operand) -> bool:
    """Return true if the given expression is quadratic.

    The expression is quadratic when its degree in the decision variables is 2 and the degree is determined statically.

    Args:
        expr: An expression.

    Returns:
        bool: True if the given expression is quadratic, otherwise False.

    Examples:
        >>> import zorvane as zv
        >>> x = zv.BinaryVar("x")
        >>> y = zv.BinaryVar("y")
        >>> zv.is_quadratic(x * y)
        True
        >>> zv.is_quadratic(x + y)
        False
    """

def is_higher_order(expr: _Operand) -> bool:
    """Return true if the degree of the given expression is higher than 2.

    The degree is taken in the decision variables and must be determined statically.

    Args:
        expr: An expression.

    Returns:
        bool: True if the degree of the given expression is higher than 2, otherwise False.

    Examples:
        >>> import zorvane as zv
        >>> x = zv.BinaryVar("x")
        >>> y = zv.BinaryVar("y")
        >>> z = zv.BinaryVar("z")
        >>> zv.is_higher_order(x * y * z)
        True
        >>> zv.is_higher_order(x * y)
        False
    """

def is_dynamic_degree(expr: _Operand) -> bool:
    """Return true if degree of the expression is not determined statically.

    The degree depends on instance data, for example when the exponent of a power is not a number or when a product runs over a set whose size is given only by instance data.

    Args:
        expr: An expression.

    Returns:
        bool: True if the degree of the expression is not determined statically, otherwise False.

    Examples:
        The number of factors of the following product is fixed only when the value of `a` is given.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=1)
        >>> x = zv.BinaryVar("x", shape=(a.len_at(0),))
        >>> i = zv.Element("i", belong_to=a)
        >>> zv.is_dynamic_degree(zv.prod(i, x[i]))
        True
    """

def extract_nodes(obj: _Model | _Forall, class_or_tuple: type[_T] | tuple[type[_T], ...]) -> list[_T]:
    """Extract all nodes from the given object.

    The nodes whose class is `class_or_tuple`, or one of the classes in `class_or_tuple`, are returned in the order of a depth-first pre-order walk, one object for each occurrence.

    Args:
        obj: An expression, a condition, a `Problem`, a `Constraint`, a `CustomPenaltyTerm` or a forall list.
        class_or_tuple: A class or a tuple of classes.

    Returns:
        list: A list of the extracted nodes.

    Raises:
        TypeError: Raises if `obj` is of an unsupported type, or if `class_or_tuple` is neither a class nor a tuple of classes.

    Examples:
        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> b = zv.Placeholder("b")
        >>> zv.extract_nodes(a + b, zv.Placeholder)
        [Placeholder(name='a', ndim=0), Placeholder(name='b', ndim=0)]
    """

def extract_variables(obj: _Model | _Forall) -> list[_Variable]:
    """Extract all variables from the given object without duplication.

    Variables are placeholders, elements, array lengths and decision variables. They are returned in the order in which a depth-first walk meets them first. The LaTeX representation and the description are not compared.

    Args:
        obj: An expression, a condition, a `Problem`, a `Constraint`, a `CustomPenaltyTerm` or a forall list.

    Returns:
        list: A list of the extracted variables.

    Raises:
        TypeError: Raises if `obj` is of an unsupported type.

    Examples:
        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> x = zv.BinaryVar("x")
        >>> zv.extract_variables(a * x + a)
        [Placeholder(name='a', ndim=0), BinaryVar(name='x', shape=[])]
    """

def is_same(src: _Model | Range, dst: _Model | Range) -> bool:
    """Return true if the given two objects are the same.

    `src` and `dst` are compared by their structure and names.
    The attributes `description` and `latex` are not compared.

    Args:
        src: An object of this module.
        dst: An object of this module.

    Returns:
        bool: True if `src` and `dst` are the same, otherwise False.

    Raises:
        TypeError: Raises if the types of `src` and `dst` are different, or if one of them is not an object of this module (for example a `str`).

    Examples:
        Two placeholders with the same name are the same.

        >>> import zorvane as zv
        >>> zv.is_same(zv.Placeholder("a"), zv.Placeholder("a"))
        True

        Placeholders with different `ndim` are not the same.

        >>> import zorvane as zv
        >>> zv.is_same(zv.Placeholder("a"), zv.Placeholder("a", ndim=2))
        False

        Placeholders that differ only in `latex` are the same.

        >>> import zorvane as zv
        >>> zv.is_same(zv.Placeholder("a", latex="A"), zv.Placeholder("a", latex="B"))
        True
    """

def abs(operand: _Operand) -> AbsOp:
    """Create the `AbsOp` object from the expression.

    Args:
        operand: An operand of the abs operator.

    Returns:
        obj: The `AbsOp` object whose operand is the input.

    Examples:
        Create the `AbsOp` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.abs(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def ceil(operand: _Operand) -> CeilOp:
    """Create the `CeilOp` object from the expression.

    Args:
        operand: An operand of the ceil operator.

    Returns:
        obj: The `CeilOp` object whose operand is the input.

    Examples:
        Create the `CeilOp` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.ceil(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def floor(operand: _Operand) -> FloorOp:
    """Create the `FloorOp` object from the expression.

    Args:
        operand: An operand of the floor operator.

    Returns:
        obj: The `FloorOp` object whose operand is the input.

    Examples:
        Create the `FloorOp` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.floor(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def log2(operand: _Operand) -> Log2Op:
    """Create the `Log2Op` object from the expression.

    Args:
        operand: An operand of the log2 operator.

    Returns:
        obj: The `Log2Op` object whose operand is the input.

    Examples:
        Create the `Log2Op` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.log2(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def log10(operand: _Operand) -> Log10Op:
    """Create the `Log10Op` object from the expression.

    Args:
        operand: An operand of the log10 operator.

    Returns:
        obj: The `Log10Op` object whose operand is the input.

    Examples:
        Create the `Log10Op` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.log10(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def ln(operand: _Operand) -> LnOp:
    """Create the `LnOp` object from the expression.

    Args:
        operand: An operand of the natural logarithm.

    Returns:
        obj: The `LnOp` object whose operand is the input.

    Examples:
        Create the `LnOp` object whose operand is a placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> zv.ln(a)

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def min(*operands: _Operand) -> MinOp:
    """Create the `MinOp` object from the expression.

    Args:
        operands: A sequence of operands.

    Returns:
        obj: The `MinOp` object whose operands are the inputs.

    Examples:
        Create the `MinOp` object whose operands are three placeholders.

        ```
        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> b = zv.Placeholder("b")
        >>> c = zv.Placeholder("c")
        >>> zv.min(a, b, c)
        ```

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def max(*operands: _Operand) -> MaxOp:
    """Create the `MaxOp` object from the expression.

    Args:
        operands: A sequence of operands.

    Returns:
        obj: The `MaxOp` object whose operands are the inputs.

    Examples:
        Create the `MaxOp` object whose operands are three placeholders.

        ```
        >>> import zorvane as zv
        >>> a = zv.Placeholder("a")
        >>> b = zv.Placeholder("b")
        >>> c = zv.Placeholder("c")
        >>> zv.max(a, b, c)
        ```

    Raises:
        ModelingError: Raises if the input contains a decision variable.
    """

def sum(index: _Index, operand: _Operand) -> SumOp:
    """Create the `SumOp` object.

    Args:
        index: An index of summation.
        operand: The operand of summation.

    Returns:
        obj: The `SumOp` object.

    Examples:
        Sum a 1-dimensional placeholder over the range [0, N).

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> a = zv.Placeholder("a", ndim=1)
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> zv.sum(i, a[i])

        Sum a 1-dimensional binary variable over an element that belongs to a 1-dimensional placeholder.

        >>> import zorvane as zv
        >>> V = zv.Placeholder("V", ndim=1)
        >>> x = zv.BinaryVar("x", shape=[V.len_at(0)])
        >>> i = zv.Element("i", belong_to=V)
        >>> zv.sum(i, x[i])

        Passing a tuple of two items as the index builds a conditional index:
        the left item is an `Element` and the right item is the condition for that index.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=1)
        >>> i = zv.Element("i", belong_to=(0, 10))
        >>> zv.sum((i, i != 2), a[i])
    """

def prod(index: _Index, operand: _Operand) -> ProdOp:
    """Create the `ProdOp` object.

    Args:
        index: An index of product.
        operand: The operand of product.

    Returns:
        obj: The `ProdOp` object.

    Examples:
        Take the product of a 1-dimensional placeholder over the range [0, N).

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> a = zv.Placeholder("a", ndim=1)
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> zv.prod(i, a[i])

        Take the product of a 1-dimensional binary variable over an element that belongs to a 1-dimensional placeholder.

        >>> import zorvane as zv
        >>> V = zv.Placeholder("V", ndim=1)
        >>> x = zv.BinaryVar("x", shape=[V.len_at(0)])
        >>> i = zv.Element("i", belong_to=V)
        >>> zv.prod(i, x[i])

        Passing a tuple of two items as the index builds a conditional index:
        the left item is an `Element` and the right item is the condition for that index.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=1)
        >>> i = zv.Element("i", belong_to=(0, 10))
        >>> zv.prod((i, i != 2), a[i])
    """

def to_protobuf(obj: _Model) -> bytes: ...
def from_protobuf(buf: bytes) -> Problem | Constraint | CustomPenaltyTerm | _Expression | _Condition: ...
def replace(expr: _Operand, replacer: Callable[[_Expression | _Condition], _Operand | _Condition]) -> _Expression:
    """Replace the expression node with the result of calling the replacer.

    Args:
        expr: A target math expression.
        replacer: A callable object that takes an expression node and returns a new expression node.

    Examples:
        Replace a placeholder with a binary variable.

        >>> import zorvane as zv
        >>> def replacer(node):
        ...     if isinstance(node, zv.Placeholder):
        ...         return zv.BinaryVar(node.name)
        ...     return node
        ...
        >>> ph = zv.Placeholder("ph")
        >>> zv.replace(ph, replacer)
        BinaryVar(name='ph', shape=[])

        Replace `ph[123, 456]` in `ph[123, 456] + elt[123]` with the subscript of a binary variable by the same subscripts.

        >>> import zorvane as zv
        >>> ph = zv.Placeholder("ph", ndim=2)
        >>> elt = zv.Element("elt", belong_to=zv.Placeholder("S", ndim=2))
        >>> x = zv.BinaryVar("x", shape=[ph.len_at(0), ph.len_at(1)])
        >>> def replacer(node):
        ...     if isinstance(node, zv.Subscript) and isinstance(node.variable, zv.Placeholder):
        ...         return x[tuple(node.subscripts)]
        ...     return node
        ...
        >>> replaced = zv.replace(ph[123, 456] + elt[123], replacer)
        >>> zv.is_same(replaced, x[123, 456] + elt[123])
        True

    Raises:
        TypeError: Raises if the type of `replacer` is not callable.

    Note:
        - The replacer must be a callable object.
        - The number of arguments of the replacer must be one.
        - The replacer must take an expression node as the argument.
        - The replacer must return an expression node.
    """

def concatenate(sample_sets: Sequence[SampleSet]) -> SampleSet:
    """Concatenate some SampleSet objects into a single SampleSet object.

    Args:
        sample_sets (list[SampleSet]): A list of SampleSet objects.

    Returns:
        SampleSet: A SampleSet object which is concatenated from the given SampleSet objects.

    Note:
        This function will be deprecated in v1.1.0.
    """

# ---------------------------------------------------------------------------------------------
# Operands
# ---------------------------------------------------------------------------------------------

@final
class DataType:
    FLOAT: ClassVar[DataType]
    INTEGER: ClassVar[DataType]
    # Equal to its number (0 or 1) and to the same member.
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def __int__(self) -> int: ...

@final
class NumberLit(_Arithmetic):
    """A class for creating a number literal

    The NumberLit class is used to create a number literal.
    Its instance is also generated by arithmetic operations between a number literal and other objects of this module.

    Attributes:
        value (int | float): The value of the number literal.
        dtype (DataType): The data type of the value: `DataType.INTEGER` or `DataType.FLOAT`.

    Args:
        value (int | float): The value of the number literal.

    Examples:
        Create a number literal of the integer 123.

        >>> import zorvane as zv
        >>> a = zv.NumberLit(123)
        >>> a.value
        123
        >>> a.dtype
        DataType.INTEGER

        Create a number literal of the float 1.23.

        >>> import zorvane as zv
        >>> b = zv.NumberLit(1.23)
        >>> b.value
        1.23
        >>> b.dtype
        DataType.FLOAT
    """

    def __new__(cls, value: _Number) -> Self: ...
    @property
    def value(self) -> int | float: ...
    @property
    def dtype(self) -> DataType: ...
    # Two literals fold into one; with any other expression the literal may drop out.
    @overload
    def __add__(self, other: _Number | NumberLit, /) -> NumberLit: ...
    @overload
    def __add__(self, other: _Operand, /) -> _Expression: ...
    def __radd__(self, other: _Number, /) -> NumberLit: ...
    @overload
    def __sub__(self, other: _Number | NumberLit, /) -> NumberLit: ...
    @overload
    def __sub__(self, other: _Operand, /) -> AddOp | MulOp | NumberLit: ...
    def __rsub__(self, other: _Number, /) -> NumberLit: ...
    @overload
    def __mul__(self, other: _Number | NumberLit, /) -> NumberLit: ...
    @overload
    def __mul__(self, other: _Operand, /) -> _Expression: ...
    def __rmul__(self, other: _Number, /) -> NumberLit: ...
    def __neg__(self) -> NumberLit: ...

@final
class Placeholder(_Term, _Arithmetic, _Latex):
    """A class for creating a placeholder

    The Placeholder class is used to create a placeholder, a named symbol for instance data that is given only when a model is solved: a scalar such as a count, or an array such as a cost matrix.

    Attributes:
        name (str): A name of the placeholder.
        ndim (int): The number of dimensions of the placeholder. 0 means a scalar.
        shape (tuple): A tuple of `ArrayLength` objects, one for each axis of the placeholder.
        description (str, optional): A description of the placeholder.

    Args:
        name (str): A name of the placeholder.
        ndim (int, optional): The number of dimensions of the placeholder. Defaults to 0.
        latex (str, optional): A LaTeX representation of the placeholder. Defaults to None, which means the name is used.
        description (str, optional): A description of the placeholder. Defaults to None.

    Raises:
        TypeError: Raises if `name` is not a string, if `ndim` is not an integer, or if `latex` or `description` is neither a string nor None.
        OverflowError: Raises if `ndim` is negative.

    Examples:
        Create a scalar placeholder whose name is "N".

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> N.ndim
        0

        Create a 2-dimensional placeholder whose name is "a".

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=2)
        >>> a
        Placeholder(name='a', ndim=2)
    """

    def __new__(
        cls, name: str, *, ndim: SupportsIndex = 0, latex: str | None = None, description: str | None = None
    ) -> Self: ...
    @property
    def name(self) -> str: ...
    @property
    def ndim(self) -> int: ...
    @property
    def description(self) -> str | None: ...
    @property
    def shape(self) -> tuple[ArrayLength, ...]: ...
    def len_at(self, axis: SupportsIndex, *, latex: str | None = None, description: str | None = None) -> ArrayLength: ...
    def __getitem__(self, key: _Key, /) -> Subscript: ...

@final
class Range:
    """A class representing a half-open interval.

    The Range class represents the half-open interval [start, end).
    This class does not have a constructor because a range is created by an `Element`.

    Attributes:
        start: The lower bound of the range (inclusive).
        end: The upper bound of the range (exclusive).

    Note:
        A range does not contain any decision variable.
    """

    @property
    def start(self) -> _Expression: ...
    @property
    def end(self) -> _Expression: ...

@final
class Element(_Term, _Arithmetic, _Latex):
    """A class for creating an element

    The Element class is used to create an element.
    An element is used in the following cases:

    - as the index of a summation (`sum`),
    - as the index of a product (`prod`),
    - as the bound variable of a universal quantifier (`forall`).

    An element belongs to a set, which is one of the following:

    - a half-open range [start, end),
    - a `Placeholder`, `Element` or `Subscript` object whose `ndim` is 1 or more.

    `belong_to` also accepts the following shorthands:

    - a pair `(start, end)` means the range [start, end),
    - a single number or scalar object `end` means the range [0, end).

    The index operator (`[]`) of an element with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the element.
        ndim (int): The number of dimensions of the element. It is one less than `belong_to.ndim`, and 0 when the set is a range.
        description (str, optional): A description of the element.
        belong_to: The set that the element belongs to: a `Range`, `Placeholder`, `Element` or `Subscript` object.

    Args:
        name (str): A name of the element.
        belong_to: The set that the element belongs to.
        latex (str, optional): A LaTeX representation of the element. Defaults to None, which means the name is used.
        description (str, optional): A description of the element. Defaults to None.

    Examples:
        Create elements that belong to the range [0, N).

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> j = zv.Element("j", belong_to=N)

        Create an element that belongs to a 2-dimensional placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=2)
        >>> e = zv.Element("e", belong_to=a)
        >>> e.ndim
        1
        >>> isinstance(e[0], zv.Subscript)
        True
    """

    # belong_to: an int or expression n (the range 0..n), a pair (start, end), or a placeholder,
    # element or subscript with ndim >= 1.
    def __new__(
        cls,
        name: str,
        belong_to: _Operand | tuple[_Operand, _Operand],
        *,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...
    @property
    def name(self) -> str: ...
    @property
    def ndim(self) -> int: ...
    @property
    def belong_to(self) -> Range | Placeholder | Element | Subscript: ...
    @property
    def description(self) -> str | None: ...
    @property
    def shape(self) -> tuple[ArrayLength, ...]: ...
    def len_at(self, axis: SupportsIndex, *, latex: str | None = None, description: str | None = None) -> ArrayLength: ...
    def __getitem__(self, key: _Key, /) -> Subscript: ...

@final
class Subscript(_Term, _Arithmetic, _Latex):
    """A class for representing a subscripted variable

    The Subscript class is used to represent a variable with subscriptions.

    Attributes:
        variable: The variable that is subscripted.
        subscripts (list): A list of the subscripts.
        ndim (int): The number of dimensions that remain after subscripting.

    Note:
        The Subscript class does not have a constructor.
        Its instance is created by the index operator (`[]`) of another object.
    """

    @property
    def variable(self) -> Placeholder | Element | _DecisionVariable: ...
    @property
    def subscripts(self) -> list[_Expression]: ...
    @property
    def ndim(self) -> int: ...
    # Array lengths, or the remaining shape entries of a subscripted decision variable.
    @property
    def shape(self) -> tuple[_Expression, ...]: ...
    def len_at(self, axis: SupportsIndex, *, latex: str | None = None, description: str | None = None) -> ArrayLength: ...
    def __getitem__(self, key: _Key, /) -> Subscript: ...

@final
class ArrayLength(_Term, _Arithmetic, _Latex):
    """A class for referring to the length of an array at a given axis.

    The ArrayLength class refers to the number of elements of an axis in an array.
    Using the `len_at` method of `Placeholder`, `Element` or `Subscript` is recommended over constructing this class directly.

    Attributes:
        array: A variable with `ndim >= 1`.
        axis (int): An axis of the array. The axis 0 is the outermost axis and the axis n - 1 is the innermost axis of an n-dimensional array.
        description (str, optional): A description of the array length.

    Raises:
        ModelingError: Raises if `axis` >= `array.ndim`.

    Examples:
        Take the length of the axis 0 of a 2-dimensional placeholder.

        >>> import zorvane as zv
        >>> a = zv.Placeholder("a", ndim=2)
        >>> N = a.len_at(0, latex="N")
        >>> N
        ArrayLength(array=Placeholder(name='a', ndim=2), axis=0, latex='N')
    """

    def __new__(
        cls,
        array: Placeholder | Element | Subscript,
        axis: SupportsIndex,
        *,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...
    @property
    def array(self) -> Placeholder | Element | Subscript: ...
    @property
    def axis(self) -> int: ...
    @property
    def description(self) -> str | None: ...

@final
class DummyIndexedVar:
    """A class for representing a subscripted variable with dummy indices

    The DummyIndexedVar class is an intermediate representation to support the syntactic sugar of sum and prod with slices.

    Note:
        The DummyIndexedVar class does not have a constructor.
        Its instance is created by subscripting a decision variable with a slice.
    """

    def sum(self) -> SumOp:
        r"""Take a sum of the decision variable over the elements for which the slice is given and return a SumOp object.

        Returns:
            SumOp: A SumOp object that sums the decision variable over the dummy indices.

        Note:
            A dummy index is generated for each slice in the subscripts of the decision variable.
            For the slice at the position `a` of the subscripts of a decision variable named `N`, the dummy index is an element with:

            - the name `__dummy_{N}_{a}`,
            - the range from the start of the slice to the stop of the slice; the start defaults to 0 and the stop defaults to the length of the axis `a` of the decision variable,
            - the description `dummy index at {a} for {N}`,
            - the LaTeX representation `\ast_{a}`.

        Examples:
            `x[:, j].sum()` is the same as the sum of `x[i, j]` over `i` named "__dummy_x_0".

            >>> import zorvane as zv
            >>> n = zv.Placeholder("n")
            >>> x = zv.BinaryVar("x", shape=[n, n])
            >>> j = zv.Element("j", belong_to=n)
            >>> i = zv.Element("__dummy_x_0", belong_to=n)
            >>> zv.is_same(x[:, j].sum(), zv.sum(i, x[i, j]))
            True
        """

    def prod(self) -> ProdOp:
        r"""Take a prod of the decision variable over the elements for which the slice is given and return a ProdOp object.

        Returns:
            ProdOp: A ProdOp object that takes the product of the decision variable over the dummy indices.

        Note:
            A dummy index is generated for each slice in the subscripts of the decision variable.
            For the slice at the position `a` of the subscripts of a decision variable named `N`, the dummy index is an element with:

            - the name `__dummy_{N}_{a}`,
            - the range from the start of the slice to the stop of the slice; the start defaults to 0 and the stop defaults to the length of the axis `a` of the decision variable,
            - the description `dummy index at {a} for {N}`,
            - the LaTeX representation `\ast_{a}`.

        Examples:
            `x[:, j].prod()` is the same as the product of `x[i, j]` over `i` named "__dummy_x_0".

            >>> import zorvane as zv
            >>> n = zv.Placeholder("n")
            >>> x = zv.BinaryVar("x", shape=[n, n])
            >>> j = zv.Element("j", belong_to=n)
            >>> i = zv.Element("__dummy_x_0", belong_to=n)
            >>> zv.is_same(x[:, j].prod(), zv.prod(i, x[i, j]))
            True
        """

# ---------------------------------------------------------------------------------------------
# Decision variables: no `%`, and never a divisor or an exponent
# ---------------------------------------------------------------------------------------------

@type_check_only
class _DecisionVar(_Term, _Latex):
    @property
    def name(self) -> str: ...
    @property
    def description(self) -> str: ...
    @property
    def ndim(self) -> int: ...
    @property
    def shape(self) -> tuple[_Expression, ...]: ...
    # A key with a slice gives a DummyIndexedVar, any other key a Subscript.
    @overload
    def __getitem__(self, key: slice, /) -> DummyIndexedVar: ...
    @overload
    def __getitem__(self, key: tuple[slice, Unpack[tuple[_KeyItem, ...]]], /) -> DummyIndexedVar: ...  # type: ignore[overload-overlap]
    @overload
    def __getitem__(self, key: tuple[_Operand, slice, Unpack[tuple[_KeyItem, ...]]], /) -> DummyIndexedVar: ...  # type: ignore[overload-overlap]
    @overload
    def __getitem__(self, key: tuple[_Operand, _Operand, slice, Unpack[tuple[_KeyItem, ...]]], /) -> DummyIndexedVar: ...  # type: ignore[overload-overlap]
    @overload
    def __getitem__(self, key: _Key, /) -> Subscript: ...
    @overload
    def __getitem__(self, key: _KeyItem | Sequence[_KeyItem], /) -> Subscript | DummyIndexedVar: ...

@type_check_only
class _BoundedVar(_DecisionVar):
    # An expression, or a placeholder or subscripted placeholder of the variable's ndim.
    @property
    def lower_bound(self) -> _Expression: ...
    @property
    def upper_bound(self) -> _Expression: ...

@final
class BinaryVar(_DecisionVar):
    """A class for creating a binary variable

    The BinaryVar class is used to create a binary variable.
    The index operator (`[]`) of a binary variable with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the binary variable.
        shape (tuple): A tuple with the size of each dimension of the binary variable. Empty if the variable is a scalar.
        ndim (int): The number of dimensions of the binary variable.
        description (str): A description of the binary variable.

    Args:
        name (str): A name of the binary variable.
        shape (list | tuple, optional): A sequence with the size of each dimension of the binary variable. Defaults to None, which means a scalar variable.
        latex (str, optional): A LaTeX representation of the binary variable. Defaults to None, which means the name is used.
        description (str, optional): A description of the binary variable. Defaults to None.

    Examples:
        Create a scalar binary variable whose name is "z".

        >>> import zorvane as zv
        >>> z = zv.BinaryVar("z")

        Create a 2-dimensional binary variable whose name is "x" and whose shape is 2x2.

        >>> import zorvane as zv
        >>> x = zv.BinaryVar("x", shape=[2, 2])

        Subscript a 1-dimensional binary variable.

        >>> import zorvane as zv
        >>> x = zv.BinaryVar("x", shape=[124])
        >>> x[123]
        BinaryVar(name='x', shape=[NumberLit(value=124)])[NumberLit(value=123)]
    """

    def __new__(
        cls,
        name: str,
        *,
        shape: Sequence[_Operand] | None = None,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...

@final
class IntegerVar(_BoundedVar):
    """A class for creating an integer variable

    The IntegerVar class is used to create an integer variable.
    The lower and upper bounds of the variable are given by one of the following:

    - an integer,
    - a float,
    - a scalar expression that does not contain any decision variable,
    - a `Placeholder` object whose dimensionality is equal to that of the variable,
    - a subscripted variable whose dimensionality is equal to that of the variable.

    The index operator (`[]`) of an integer variable with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the integer variable.
        shape (tuple): A tuple with the size of each dimension of the integer variable. Empty if the variable is a scalar.
        ndim (int): The number of dimensions of the integer variable.
        lower_bound: The lower bound of the integer variable.
        upper_bound: The upper bound of the integer variable.
        description (str): A description of the integer variable.

    Args:
        name (str): A name of the integer variable.
        shape (list | tuple, optional): A sequence with the size of each dimension of the integer variable. Defaults to None, which means a scalar variable.
        lower_bound: The lower bound of the integer variable.
        upper_bound: The upper bound of the integer variable.
        latex (str, optional): A LaTeX representation of the integer variable. Defaults to None, which means the name is used.
        description (str, optional): A description of the integer variable. Defaults to None.

    Raises:
        ModelingError: Raises if a bound is a `Placeholder` or `Subscript` object whose `ndim` is neither 0 nor the dimensionality of the integer variable.

    Examples:
        Create a scalar integer variable whose name is "z" and whose bounds are 0 and 5.

        >>> import zorvane as zv
        >>> z = zv.IntegerVar("z", lower_bound=0, upper_bound=5)

        Create a 2-dimensional integer variable whose name is "x" and whose shape is 2x2.

        >>> import zorvane as zv
        >>> x = zv.IntegerVar("x", shape=[2, 2], lower_bound=0, upper_bound=5)

        Subscript a 1-dimensional integer variable.

        >>> import zorvane as zv
        >>> x = zv.IntegerVar("x", shape=[124], lower_bound=0, upper_bound=5)
        >>> x[123]
        IntegerVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))[NumberLit(value=123)]
    """

    def __new__(
        cls,
        name: str,
        *,
        shape: Sequence[_Operand] | None = None,
        lower_bound: _Operand,
        upper_bound: _Operand,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...

@final
class ContinuousVar(_BoundedVar):
    """A class for creating a continuous variable

    The ContinuousVar class is used to create a continuous variable.
    The lower and upper bounds of the variable are given by one of the following:

    - an integer,
    - a float,
    - a scalar expression that does not contain any decision variable,
    - a `Placeholder` object whose dimensionality is equal to that of the variable,
    - a subscripted variable whose dimensionality is equal to that of the variable.

    The index operator (`[]`) of a continuous variable with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the continuous variable.
        shape (tuple): A tuple with the size of each dimension of the continuous variable. Empty if the variable is a scalar.
        ndim (int): The number of dimensions of the continuous variable.
        lower_bound: The lower bound of the continuous variable.
        upper_bound: The upper bound of the continuous variable.
        description (str): A description of the continuous variable.

    Args:
        name (str): A name of the continuous variable.
        shape (list | tuple, optional): A sequence with the size of each dimension of the continuous variable. Defaults to None, which means a scalar variable.
        lower_bound: The lower bound of the continuous variable.
        upper_bound: The upper bound of the continuous variable.
        latex (str, optional): A LaTeX representation of the continuous variable. Defaults to None, which means the name is used.
        description (str, optional): A description of the continuous variable. Defaults to None.

    Raises:
        ModelingError: Raises if a bound is a `Placeholder` or `Subscript` object whose `ndim` is neither 0 nor the dimensionality of the continuous variable.

    Examples:
        Create a scalar continuous variable whose name is "z" and whose bounds are 0 and 5.

        >>> import zorvane as zv
        >>> z = zv.ContinuousVar("z", lower_bound=0, upper_bound=5)

        Create a 2-dimensional continuous variable whose name is "x" and whose shape is 2x2.

        >>> import zorvane as zv
        >>> x = zv.ContinuousVar("x", shape=[2, 2], lower_bound=0, upper_bound=5)

        Subscript a 1-dimensional continuous variable.

        >>> import zorvane as zv
        >>> x = zv.ContinuousVar("x", shape=[124], lower_bound=0, upper_bound=5)
        >>> x[123]
        ContinuousVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))[NumberLit(value=123)]
    """

    def __new__(
        cls,
        name: str,
        *,
        shape: Sequence[_Operand] | None = None,
        lower_bound: _Operand,
        upper_bound: _Operand,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...

@final
class SemiIntegerVar(_BoundedVar):
    """A class for creating a semi-integer variable

    The SemiIntegerVar class is used to create a semi-integer variable.
    The lower and upper bounds of the variable are given by one of the following:

    - an integer,
    - a float,
    - a scalar expression that does not contain any decision variable,
    - a `Placeholder` object whose dimensionality is equal to that of the variable,
    - a subscripted variable whose dimensionality is equal to that of the variable.

    The index operator (`[]`) of a semi-integer variable with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the semi-integer variable.
        shape (tuple): A tuple with the size of each dimension of the semi-integer variable. Empty if the variable is a scalar.
        ndim (int): The number of dimensions of the semi-integer variable.
        lower_bound: The lower bound of the semi-integer variable.
        upper_bound: The upper bound of the semi-integer variable.
        description (str): A description of the semi-integer variable.

    Args:
        name (str): A name of the semi-integer variable.
        shape (list | tuple, optional): A sequence with the size of each dimension of the semi-integer variable. Defaults to None, which means a scalar variable.
        lower_bound: The lower bound of the semi-integer variable.
        upper_bound: The upper bound of the semi-integer variable.
        latex (str, optional): A LaTeX representation of the semi-integer variable. Defaults to None, which means the name is used.
        description (str, optional): A description of the semi-integer variable. Defaults to None.

    Raises:
        ModelingError: Raises if a bound is a `Placeholder` or `Subscript` object whose `ndim` is neither 0 nor the dimensionality of the semi-integer variable.

    Examples:
        Create a scalar semi-integer variable whose name is "z" and whose bounds are 0 and 5.

        >>> import zorvane as zv
        >>> z = zv.SemiIntegerVar("z", lower_bound=0, upper_bound=5)

        Create a 2-dimensional semi-integer variable whose name is "x" and whose shape is 2x2.

        >>> import zorvane as zv
        >>> x = zv.SemiIntegerVar("x", shape=[2, 2], lower_bound=0, upper_bound=5)

        Subscript a 1-dimensional semi-integer variable.

        >>> import zorvane as zv
        >>> x = zv.SemiIntegerVar("x", shape=[124], lower_bound=0, upper_bound=5)
        >>> x[123]
        SemiIntegerVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))[NumberLit(value=123)]
    """

    def __new__(
        cls,
        name: str,
        *,
        shape: Sequence[_Operand] | None = None,
        lower_bound: _Operand,
        upper_bound: _Operand,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...

@final
class SemiContinuousVar(_BoundedVar):
    """A class for creating a semi-continuous variable

    The SemiContinuousVar class is used to create a semi-continuous variable.
    The lower and upper bounds of the variable are given by one of the following:

    - an integer,
    - a float,
    - a scalar expression that does not contain any decision variable,
    - a `Placeholder` object whose dimensionality is equal to that of the variable,
    - a subscripted variable whose dimensionality is equal to that of the variable.

    The index operator (`[]`) of a semi-continuous variable with `ndim >= 1` returns a `Subscript` object.

    Attributes:
        name (str): A name of the semi-continuous variable.
        shape (tuple): A tuple with the size of each dimension of the semi-continuous variable. Empty if the variable is a scalar.
        ndim (int): The number of dimensions of the semi-continuous variable.
        lower_bound: The lower bound of the semi-continuous variable.
        upper_bound: The upper bound of the semi-continuous variable.
        description (str): A description of the semi-continuous variable.

    Args:
        name (str): A name of the semi-continuous variable.
        shape (list | tuple, optional): A sequence with the size of each dimension of the semi-continuous variable. Defaults to None, which means a scalar variable.
        lower_bound: The lower bound of the semi-continuous variable.
        upper_bound: The upper bound of the semi-continuous variable.
        latex (str, optional): A LaTeX representation of the semi-continuous variable. Defaults to None, which means the name is used.
        description (str, optional): A description of the semi-continuous variable. Defaults to None.

    Raises:
        ModelingError: Raises if a bound is a `Placeholder` or `Subscript` object whose `ndim` is neither 0 nor the dimensionality of the semi-continuous variable.

    Examples:
        Create a scalar semi-continuous variable whose name is "z" and whose bounds are 0 and 5.

        >>> import zorvane as zv
        >>> z = zv.SemiContinuousVar("z", lower_bound=0, upper_bound=5)

        Create a 2-dimensional semi-continuous variable whose name is "x" and whose shape is 2x2.

        >>> import zorvane as zv
        >>> x = zv.SemiContinuousVar("x", shape=[2, 2], lower_bound=0, upper_bound=5)

        Subscript a 1-dimensional semi-continuous variable.

        >>> import zorvane as zv
        >>> x = zv.SemiContinuousVar("x", shape=[124], lower_bound=0, upper_bound=5)
        >>> x[123]
        SemiContinuousVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))[NumberLit(value=123)]
    """

    def __new__(
        cls,
        name: str,
        *,
        shape: Sequence[_Operand] | None = None,
        lower_bound: _Operand,
        upper_bound: _Operand,
        latex: str | None = None,
        description: str | None = None,
    ) -> Self: ...

# ---------------------------------------------------------------------------------------------
# Operator nodes (made by operators and module functions, never constructed directly)
# ---------------------------------------------------------------------------------------------

@type_check_only
class _UnaryOp(_Term, _Arithmetic, _Latex):
    @property
    def operand(self) -> _Expression: ...

@final
class AbsOp(_UnaryOp):
    """A class for representing the absolute value

    The AbsOp class is used to represent the absolute value.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The AbsOp class does not have a constructor.
    """

@final
class CeilOp(_UnaryOp):
    """A class for representing the ceil operator

    The CeilOp class is used to represent the ceil operator.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The CeilOp class does not have a constructor.
    """

@final
class FloorOp(_UnaryOp):
    """A class for representing the floor operator

    The FloorOp class is used to represent the floor operator.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The FloorOp class does not have a constructor.
    """

@final
class Log2Op(_UnaryOp):
    """A class for representing the base 2 logarithm

    The Log2Op class is used to represent the base 2 logarithm.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The Log2Op class does not have a constructor.
    """

@final
class Log10Op(_UnaryOp):
    """A class for representing the base 10 logarithm

    The Log10Op class is used to represent the base 10 logarithm.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The Log10Op class does not have a constructor.
    """

@final
class LnOp(_UnaryOp):
    """A class for representing the natural logarithm

    The LnOp class is used to represent the natural logarithm.
    The number of dimensions of the operand is zero.

    Attributes:
        operand: The operand.

    Note:
        The LnOp class does not have a constructor.
    """

@final
class AddOp(_Arithmetic, _Latex):
    """A class for representing addition

    The AddOp class is used to represent addition (`+`) of an arbitrary number of operands.
    For example `a + b + c + d` would be one AddOp object.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands to be added.

    Note:
        The AddOp class does not have a constructor. Its intended
        instantiation method is by calling the addition operation on other
        expressions.
    """

    # Adding to a sum may fold its constant away and leave a single term of any class.
    @property
    def terms(self) -> list[_Expression]: ...
    def __rsub__(self, other: _Number, /) -> AddOp | MulOp: ...
    def __mul__(self, other: _Operand, /) -> AddOp | MulOp | NumberLit: ...
    def __rmul__(self, other: _Number, /) -> AddOp | MulOp | NumberLit: ...
    def __truediv__(self, other: _Operand, /) -> MulOp: ...
    def __neg__(self) -> MulOp: ...

@final
class MulOp(_Term, _Arithmetic, _Latex):
    """A class for representing multiplication

    The MulOp class is used to represent multiplication (`*`) of an arbitrary number of operands.
    For example `a * b * c * d` would be one MulOp object.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands to be multiplied.

    Note:
        The MulOp class does not have a constructor. Its intended
        instantiation method is by calling the multiplication operation on other
        expressions.
    """

    @property
    def terms(self) -> list[_Expression]: ...

@final
class ModOp(_Term, _Arithmetic, _Latex):
    """A class for representing modulo

    The ModOp class is used to represent modulo (or remainder) (`%`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The ModOp class does not have a constructor.
    """

    @property
    def left(self) -> _Expression: ...
    @property
    def right(self) -> _Expression: ...

@final
class MinOp(_Term, _Arithmetic, _Latex):
    """A class for representing the minimum value.

    The MinOp class is used to represent the minimum value of operands.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands.

    Note:
        The MinOp class does not have a constructor. Its intended
        instantiation method is by calling the `min` function.
    """

    @property
    def terms(self) -> list[_Expression]: ...

@final
class MaxOp(_Term, _Arithmetic, _Latex):
    """A class for representing the maximum value.

    The MaxOp class is used to represent the maximum value of operands.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands.

    Note:
        The MaxOp class does not have a constructor. Its intended
        instantiation method is by calling the `max` function.
    """

    @property
    def terms(self) -> list[_Expression]: ...

@final
class PowOp(_Arithmetic, _Latex):
    """A class for representing the power operator

    The PowOp class is used to represent the power operator(`**`).
    The number of dimensions of each operand is zero.

    Attributes:
        base: The base operand.
        exponent: The exponent operand.

    Note:
        The PowOp class does not have a constructor.
    """

    # Two powers of one base merge: x ** 2 * x ** 3 is x ** 5, x ** 2 / x is x ** 1.
    @property
    def base(self) -> _Expression: ...
    @property
    def exponent(self) -> _Expression: ...
    def __add__(self, other: _Operand, /) -> PowOp | AddOp: ...
    def __radd__(self, other: _Number, /) -> PowOp | AddOp: ...
    def __sub__(self, other: _Operand, /) -> PowOp | AddOp: ...
    def __rsub__(self, other: _Number, /) -> AddOp | MulOp: ...
    def __mul__(self, other: _Operand, /) -> PowOp | MulOp | NumberLit: ...
    def __rmul__(self, other: _Number, /) -> PowOp | MulOp | NumberLit: ...
    def __truediv__(self, other: _Operand, /) -> PowOp | MulOp: ...
    def __neg__(self) -> MulOp: ...

@type_check_only
class _ReductionOp(_Term, _Arithmetic, _Latex):
    @property
    def index(self) -> Element: ...
    @property
    def condition(self) -> _Condition | None: ...
    @property
    def operand(self) -> _Expression: ...

@final
class SumOp(_ReductionOp):
    """A class for representing summation

    The SumOp class is used to represent summation.
    The number of dimensions of the opreand is zero.

    Attributes:
        index: The index of summation.
        condition: The condition for the summation index.
        operand: The opreand.

    Note:
        The SumOp class does not have a constructor.
    """

@final
class ProdOp(_ReductionOp):
    """A class for representing product

    The ProdOp class is used to represent product.
    The number of dimensions of the opreand is zero.

    Attributes:
        index: The index of product.
        condition: The condition for the product index.
        operand: The opreand.

    Note:
        The ProdOp class does not have a constructor.
    """

# ---------------------------------------------------------------------------------------------
# Conditions (compared and hashed by identity)
# ---------------------------------------------------------------------------------------------

@type_check_only
class _Logical(_Condition):
    @property
    def terms(self) -> list[_Condition]: ...

@final
class AndOp(_Logical):
    """A class for representing logical AND

    The AndOp class is used to represent logical AND (`&`) of an arbitrary number of operands.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands to apply the AND operation.

    Note:
        The AndOp class does not have a constructor.
    """

@final
class OrOp(_Logical):
    """A class for representing logical OR

    The OrOp class is used to represent logical OR (`|`) of an arbitrary number of operands.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands to apply the OR operation.

    Note:
        The OrOp class does not have a constructor.
    """

@final
class XorOp(_Logical):
    """A class for representing logical XOR

    The XorOp class is used to represent logical XOR (`^`) of an arbitrary number of operands.
    The number of dimensions of each operand is zero.

    Attributes:
        terms: A sequence of operands to apply the XOR operation.

    Note:
        The XorOp class does not have a constructor.
    """

@type_check_only
class _Comparison(_Condition):
    @property
    def left(self) -> _Expression: ...
    @property
    def right(self) -> _Expression: ...

@final
class EqualOp(_Comparison):
    """A class for representing the equal operator

    The EqualOp class is used to represent the equal operator (`==`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The EqualOp class does not have a constructor.
    """

@final
class NotEqualOp(_Comparison):
    """A class for representing the not equal operator

    The NotEqualOp class is used to represent the not equal operator (`!=`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The NotEqualOp class does not have a constructor.
    """

@final
class LessThanOp(_Comparison):
    """A class for representing the less than operator

    The LessThanOp class is used to represent the less than operator (`<`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The LessThanOp class does not have a constructor.
    """

@final
class LessThanEqualOp(_Comparison):
    """A class for representing the less than equal operator

    The LessThanEqualOp class is used to represent the less than equal operator (`<=`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The LessThanEqualOp class does not have a constructor.
    """

@final
class GreaterThanOp(_Comparison):
    """A class for representing the greater than operator

    The GreaterThanOp class is used to represent the greater than operator (`>`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The GreaterThanOp class does not have a constructor.
    """

@final
class GreaterThanEqualOp(_Comparison):
    """A class for representing the greater than equal operator

    The GreaterThanEqualOp class is used to represent the greater than equal operator (`>=`).
    The number of dimensions of each operand is zero.

    Attributes:
        left: The left-hand operand.
        right: The right-hand operand.

    Note:
        The GreaterThanEqualOp class does not have a constructor.
    """

# ---------------------------------------------------------------------------------------------
# Model
# ---------------------------------------------------------------------------------------------

@final
class Problem:
    """A class for creating an optimization problem

    The Problem class is used to create an optimization problem.

    Attributes:
        name (str): A name of the optimization problem.
        sense: Sense of the optimization problem.
        objective: The objective function of the optimization problem.
        constraints (dict): A dictionary that stores constraints.
            A key is the name of a constraint and the value is the constraint object.
        custom_penalty_terms (dict): A dictionary that stores custom penalty terms.
            A key is the name of a custom penalty and the value is the custom penalty object.

    Args:
        name (str): A name of the optimization problem.
        sense (optional): Sense of the optimization problem. Defaults to :obj:`ProblemSense.MINIMIZE`.
    """

    def __new__(cls, name: str, *, sense: ProblemSense = ...) -> Self: ...  # sense defaults to MINIMIZE
    @property
    def name(self) -> str: ...
    @property
    def sense(self) -> ProblemSense: ...
    @sense.setter
    def sense(self, value: ProblemSense) -> None: ...
    @property
    def objective(self) -> _Expression: ...
    @property
    def constraints(self) -> dict[str, Constraint]: ...
    @property
    def custom_penalty_terms(self) -> dict[str, CustomPenaltyTerm]: ...
    # An expression replaces the objective; a constraint or penalty term is stored under its name.
    def __iadd__(self, other: _Operand | Constraint | CustomPenaltyTerm, /) -> Self: ...
    def _repr_latex_(self) -> str: ...

@final
class ProblemSense:
    """An optimization sense"""

    MINIMIZE: ClassVar[ProblemSense]
    MAXIMIZE: ClassVar[ProblemSense]
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def __int__(self) -> int: ...

@final
class Constraint:
    """A class for creating a constraint

    The Constraint class is used to create a constraint: an equality or a non-strict inequality between two expressions that contains at least one decision variable, optionally for all the values of the elements of a forall list.

    Attributes:
        name (str): A name of the constraint.
        expression: The comparison of the constraint (an `EqualOp`, `LessThanEqualOp` or `GreaterThanEqualOp` object).
        forall (list): A list of tuples of an element and its condition (or None) over which the constraint is quantified.
        sense (ConstraintSense): The sense of the constraint.
        left: The left-hand side of the constraint.
        right: The right-hand side of the constraint.

    Args:
        name (str): A name of the constraint.
        expression: The comparison of the constraint. Only `==`, `<=` and `>=` are allowed.
        forall (optional): An element, a tuple of an element and its condition, or a list of them. Defaults to None.

    Raises:
        TypeError: Raises if `expression` is not a comparison or logical condition, or if `forall` cannot be read as a forall list.
        ModelingError: Raises if the elements of `forall` do not match the elements that appear in `expression` without being the index of a `sum` or `prod`.
        ModelingError: Raises if `expression` is not an equality or a non-strict inequality.
        ModelingError: Raises if `expression` does not contain a decision variable.

    Expression:
        Create a constraint that the sum of x[i] over i is equal to 1.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> x = zv.BinaryVar("x", shape=[N])
        >>> zv.Constraint("constraint", zv.sum(i, x[i]) == 1)
        Constraint(name="constraint", expression=sum(i in [0..N), x[i]) == 1)

        Create a constraint for all j.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> M = zv.Placeholder("M")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> j = zv.Element("j", belong_to=(0, M))
        >>> x = zv.BinaryVar("x", shape=[N, M])
        >>> zv.Constraint("constraint", zv.sum(i, x[i, j]) == 1, forall=j)
        Constraint(name="constraint", expression=sum(i in [0..N), x[i, j]) == 1, forall=[j])

        Create a constraint for all i and all j with j != i.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> j = zv.Element("j", belong_to=(0, N))
        >>> x = zv.IntegerVar("x", shape=[N, N], lower_bound=0, upper_bound=5)
        >>> zv.Constraint("constraint", x[i, j] <= 2, forall=[i, (j, j != i)])
        Constraint(name="constraint", expression=x[i, j] <= 2, forall=[i, (j, j != i)])
    """

    def __new__(cls, name: str, expression: _ConstraintCondition, *, forall: _Forall | None = None) -> Self: ...
    @property
    def name(self) -> str: ...
    @property
    def sense(self) -> ConstraintSense: ...
    @property
    def left(self) -> _Expression: ...
    @property
    def right(self) -> _Expression: ...
    @property
    def forall(self) -> list[tuple[Element, _Condition | None]]: ...
    @property
    def expression(self) -> _ConstraintCondition: ...
    def is_equality(self) -> bool: ...
    def is_inequality(self) -> bool: ...
    def _repr_latex_(self) -> str: ...

@final
class ConstraintSense:
    """Equality of a constraint"""

    EQUAL: ClassVar[ConstraintSense]
    LESS_THAN_EQUAL: ClassVar[ConstraintSense]
    GREATER_THAN_EQUAL: ClassVar[ConstraintSense]
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def __int__(self) -> int: ...

@final
class CustomPenaltyTerm:
    """A class for creating a custom penalty term

    The CustomPenaltyTerm class is used to create a custom penalty term: an expression that contains at least one decision variable and is added to the objective as a penalty, optionally for all the values of the elements of a forall list.

    Attributes:
        name (str): A name of the custom penalty term.
        expression: The expression of the custom penalty term.
        forall (list): A list of tuples of an element and its condition (or None) over which the custom penalty term is quantified.

    Args:
        name (str): A name of the custom penalty term.
        expression: The expression of the custom penalty term.
        forall (optional): An element, a tuple of an element and its condition, or a list of them. Defaults to None.

    Raises:
        TypeError: Raises if `expression` is not an expression, or if `forall` cannot be read as a forall list.
        ModelingError: Raises if the elements of `forall` do not match the elements that appear in `expression` without being the index of a `sum` or `prod`.
        ModelingError: Raises if `expression` does not contain a decision variable.

    Expression:
        Create a custom penalty term that is the square of the sum of x[i] over i minus 1.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> x = zv.BinaryVar("x", shape=[N])
        >>> zv.CustomPenaltyTerm("custom penalty term", (zv.sum(i, x[i]) - 1) ** 2)
        CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i]) - 1) ** 2))

        Create a custom penalty term for all j.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> M = zv.Placeholder("M")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> j = zv.Element("j", belong_to=(0, M))
        >>> x = zv.BinaryVar("x", shape=[N, M])
        >>> zv.CustomPenaltyTerm("custom penalty term", (zv.sum(i, x[i, j]) - 1) ** 2, forall=j)
        CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i, j]) - 1) ** 2), forall=[j])

        Create a custom penalty term for all i and all j with j != i.

        >>> import zorvane as zv
        >>> N = zv.Placeholder("N")
        >>> i = zv.Element("i", belong_to=(0, N))
        >>> j = zv.Element("j", belong_to=(0, N))
        >>> x = zv.IntegerVar("x", shape=[N, N], lower_bound=0, upper_bound=5)
        >>> zv.CustomPenaltyTerm("custom penalty term", (x[i, j] - 2) ** 2, forall=[i, (j, j != i)])
        CustomPenaltyTerm(name="custom penalty term", expression=((x[i, j] - 2) ** 2), forall=[i, (j, j != i)])
    """

    def __new__(cls, name: str, expression: _Operand, *, forall: _Forall | None = None) -> Self: ...
    @property
    def name(self) -> str: ...
    @property
    def expression(self) -> _Expression: ...
    @property
    def forall(self) -> list[tuple[Element, _Condition | None]]: ...
    def _repr_latex_(self) -> str: ...

# ---------------------------------------------------------------------------------------------
# Sample sets (compared by value, unhashable). Dict arguments are typed Mapping, since dict's value
# type is invariant; the module itself wants real dicts.
# ---------------------------------------------------------------------------------------------

_Floats: TypeAlias = Sequence[_Number] | npt.NDArray[Any]
_Indices: TypeAlias = Sequence[SupportsIndex] | npt.NDArray[Any]
_FloatArray: TypeAlias = npt.NDArray[np.float64]
# A sparse array: (one coordinate list per axis, values, shape), or three lists.
_SparseArrayIn: TypeAlias = tuple[Sequence[_Indices], _Floats, _Indices] | list[list[Any]]
_SparseArray: TypeAlias = tuple[tuple[list[int], ...], list[float], tuple[int, ...]]
# One array per sample under each variable name: dense (float64 arrays) or sparse.
_SolutionIn: TypeAlias = Mapping[str, Sequence[_FloatArray]] | Mapping[str, Sequence[_SparseArrayIn]]
_Solution: TypeAlias = dict[str, list[_FloatArray]] | dict[str, list[_SparseArray]]
_TimeReport: TypeAlias = float | dict[str, _TimeReport]

@type_check_only
class _RecordDict(TypedDict):
    solution: _Solution
    num_occurrences: list[int]

@type_check_only
class _EvaluationDict(TypedDict):
    energy: _FloatArray
    objective: _FloatArray
    constraint_violations: dict[str, _FloatArray]
    constraint_forall: dict[str, npt.NDArray[np.uint64]]
    constraint_values: list[dict[str, _FloatArray]]
    penalty: dict[str, _FloatArray]

@type_check_only
class _SolvingTimeDict(TypedDict):
    preprocess: float | None
    solve: float | None
    postprocess: float | None

@type_check_only
class _SystemTimeDict(TypedDict):
    post_problem_and_instance_data: float | None
    request_queue: float | None
    fetch_problem_and_instance_data: float | None
    fetch_result: float | None
    deserialize_solution: float | None

@type_check_only
class _MeasuringTimeDict(TypedDict):
    solve: _SolvingTimeDict
    system: _SystemTimeDict
    total: float | None

@type_check_only
class _SampleSetDict(TypedDict):
    record: _RecordDict
    evaluation: _EvaluationDict
    measuring_time: _MeasuringTimeDict
    metadata: dict[Any, Any]

@final
class Record:
    """A class for representing a record.

    There are two types of solutions: dense and sparse.
    A dense solution is a dict whose key is a variable name and whose value is a list of numpy.ndarray.
    A sparse solution is a dict whose key is a variable name and whose value is a list of tuples with three elements: a list of indices, a list of non-zero values and the shape of the array.
    The length of the list of solutions must be the same as the length of the list of num_occurrences.

    For example, the following dense solution

    ```python
    {
        "x": [
            numpy.array([[0.0, 1.0, 0.0], [2.0, 0.0, 3.0]]),
            numpy.array([[1.0, 0.0, 0.0], [2.0, 3.0, 4.0]]),
        ],
        "y": [
            numpy.array([0.0, 0.0, 1.0]),
            numpy.array([0.0, 1.0, 0.0]),
        ],
    }
    ```

    is written as the following sparse solution:

    ```python
    {
        "x": [
            (([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)),
            (([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3)),
        ],
        "y": [
            (([2],), [1.0], (3,)),
            (([1],), [1.0], (3,)),
        ],
    }
    ```

    Attributes:
        solution (Union[Dict[str, List[numpy.ndarray]], Dict[str, List[Tuple[List[int], List[float], Tuple[int, ...]]]]]): A solution.
        num_occurrences (List[int]): A list of the number of occurrences in which the solution is observed.
    """

    def __new__(cls, solution: _SolutionIn, num_occurrences: _Indices) -> Self: ...
    @property
    def solution(self) -> _Solution: ...
    @solution.setter
    def solution(self, value: _SolutionIn) -> None: ...
    @property
    def num_occurrences(self) -> list[int]: ...
    @num_occurrences.setter
    def num_occurrences(self, value: _Indices) -> None: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def is_dense(self) -> bool:
        """Return true if the solution is dense.

        Returns:
            bool: True if the solution is dense.
        """

    def is_sparse(self) -> bool:
        """Return true if the solution is sparse.

        Returns:
            bool: True if the solution is sparse.
        """

    def to_dense(self) -> Record:
        """Return a Record object whose solution is dense.

        If the solution is already dense, the solution is not converted.
        Otherwise, the solution is converted into a dense solution.

        Returns:
            Record: A Record object whose solution is dense.
        """

    def to_sparse(self) -> Record:
        """Return a Record object whose solution is sparse.

        If the solution is already sparse, the solution is not converted.
        Otherwise, the solution is converted into a sparse solution.

        Returns:
            Record: A Record object whose solution is sparse.
        """

    def to_dict(self) -> _RecordDict:
        """Convert into a dict.

        Returns:
            dict: A dict whose keys are "solution" and "num_occurrences".
        """

    @staticmethod
    def from_dict(dict: _RecordDict | dict[str, Any]) -> Record:
        """Create a Record object from the given dict.

        If a key is not "solution" or "num_occurrences", the value is ignored.

        Args:
            dict: A dict of str to a list of dense solutions or sparse solutions.

        Returns:
            A Record object.
        """

    def to_json(self) -> str:
        """Serialize the Record object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is serialized into a list.
        """

    @staticmethod
    def from_json(json: str) -> Record:
        """Create a Record object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            Record: A Record object.
        """

    def to_pandas(self) -> pd.DataFrame:
        """Convert into a pandas DataFrame.

        Returns:
            pandas.DataFrame: A pandas DataFrame.
        """

@final
class Evaluation:
    """A class for evaluation.

    The Evaluation class is to represent the result of evaluating a model.

    Attributes:
        energy (numpy.ndarray): The value of energy of each sample.
        objective (numpy.ndarray): The value of an objective function of each sample.
        constraint_violations (dict[str, numpy.ndarray]): The constraint violation of each sample.
        constraint_forall (dict[str, numpy.ndarray]): The constraint forall of each sample.
        constraint_values (numpy.ndarray): The constraint value of each sample.
        penalty (dict[str, numpy.ndarray]): The penalty of each sample.
    """

    def __new__(
        cls,
        energy: _Floats | None = None,
        objective: _Floats | None = None,
        constraint_violations: Mapping[str, _Floats] | None = None,
        constraint_forall: Mapping[str, Sequence[_Indices] | npt.NDArray[Any]] | None = None,
        constraint_values: Sequence[Mapping[str, _Floats]] | None = None,
        penalty: Mapping[str, _Floats] | None = None,
    ) -> Self: ...
    @property
    def energy(self) -> _FloatArray: ...
    @energy.setter
    def energy(self, value: _Floats) -> None: ...
    @property
    def objective(self) -> _FloatArray: ...
    @objective.setter
    def objective(self, value: _Floats) -> None: ...
    @property
    def constraint_violations(self) -> dict[str, _FloatArray]: ...
    @constraint_violations.setter
    def constraint_violations(self, value: Mapping[str, _Floats]) -> None: ...
    @property
    def constraint_forall(self) -> dict[str, npt.NDArray[np.uint64]]: ...
    @constraint_forall.setter
    def constraint_forall(self, value: Mapping[str, Sequence[_Indices] | npt.NDArray[Any]]) -> None: ...
    @property
    def constraint_values(self) -> list[dict[str, _FloatArray]]: ...
    @constraint_values.setter
    def constraint_values(self, value: Sequence[Mapping[str, _Floats]]) -> None: ...
    @property
    def penalty(self) -> dict[str, _FloatArray]: ...
    @penalty.setter
    def penalty(self, value: Mapping[str, _Floats]) -> None: ...
    # Per sample: constraint name -> {forall index tuple: value}.
    @property
    def constraint_expr_values(self) -> list[dict[str, dict[tuple[int, ...], float]]]:
        """Return the values for the each constraint.

        The return value is a list of dictionaries.
        Each dictionary has the keys of the constraint names and the dictionary values.
        The dictionary values have the keys of the forall indices as tuple and the values for the forall indices.

        Returns:
            A list of dictionaries.
        """

    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def to_dict(self) -> _EvaluationDict:
        """Convert into a dict.

        Returns:
            dict: A dict whose keys are name of the Evaluation's fields.
        """

    @staticmethod
    def from_dict(dict: _EvaluationDict | dict[str, Any]) -> Evaluation:
        """Create a Evaluation object from the given dict.

        If a key is not the name of the Evaluation fields, the value value is ignored.

        Args:
            dict: A dict whose keys are name of the Evaluation fields.
        """

    def to_json(self) -> str:
        """Serialize the Evaluation object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is converted into a list.
        """

    @staticmethod
    def from_json(json: str) -> Evaluation:
        """Create a Evaluation object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            Evaluation: An Evaluation object.
        """

    def to_pandas(self) -> pd.DataFrame:
        """Convert into a pandas DataFrame.

        Returns:
            pandas.DataFrame: A pandas DataFrame.
        """

@final
class SolvingTime:
    """A class for storing time to solve a problem.

    Attributes:
        preprocess (float, optional): Time to preprocess the problem. Defaults to None.
        solve (float, optional): Time to solve the problem. Defaults to None.
        postprocess (float, optional): Time to postprocess the problem. Defaults to None.
    """

    def __new__(
        cls, preprocess: _Number | None = None, solve: _Number | None = None, postprocess: _Number | None = None
    ) -> Self: ...
    @property
    def preprocess(self) -> float | None: ...
    @preprocess.setter
    def preprocess(self, value: _Number | None) -> None: ...
    @property
    def solve(self) -> float | None: ...
    @solve.setter
    def solve(self, value: _Number | None) -> None: ...
    @property
    def postprocess(self) -> float | None: ...
    @postprocess.setter
    def postprocess(self, value: _Number | None) -> None: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def to_dict(self) -> _SolvingTimeDict:
        """Convert into a dict.

        Returns:
            dict: A dict with keys "preprocess", "solve", and "postprocess".
        """

    @staticmethod
    def from_dict(dict: _SolvingTimeDict | dict[str, Any]) -> SolvingTime:
        """Create a SolvingTime object from the given dict.

        If a key is not one of "preprocess", "solve", or "postprocess", the value is ignored.

        Args:
            dict (dict): A dict.

        Returns:
            A SolvingTime object.
        """

    def to_json(self) -> str:
        """Serialize the SolvingTime object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is serialized into a list.
        """

    @staticmethod
    def from_json(json: str) -> SolvingTime:
        """Create a SolvingTime object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            SolvingTime: A SolvingTime object.
        """

@final
class SystemTime:
    """A class for storing time of corvantis running.

    Attributes:
        post_problem_and_instance_data (float, optional): Time to upload problem and instance_data to blob. Defaults to None.
        request_queue (float, optional): Time to send request to queue. Defaults to None.
        fetch_problem_and_instance_data (float, optional): Time to fetch problme and instance_data from blob. Defaults to None.
        fetch_result (float, optional): Time to fetch result. Defaults to None.
        deserialize_solution (float, optional): Time to deserialize json object. Defaults to None.
    """

    def __new__(
        cls,
        post_problem_and_instance_data: _Number | None = None,
        request_queue: _Number | None = None,
        fetch_problem_and_instance_data: _Number | None = None,
        fetch_result: _Number | None = None,
        deserialize_solution: _Number | None = None,
    ) -> Self: ...
    @property
    def post_problem_and_instance_data(self) -> float | None: ...
    @post_problem_and_instance_data.setter
    def post_problem_and_instance_data(self, value: _Number | None) -> None: ...
    @property
    def request_queue(self) -> float | None: ...
    @request_queue.setter
    def request_queue(self, value: _Number | None) -> None: ...
    @property
    def fetch_problem_and_instance_data(self) -> float | None: ...
    @fetch_problem_and_instance_data.setter
    def fetch_problem_and_instance_data(self, value: _Number | None) -> None: ...
    @property
    def fetch_result(self) -> float | None: ...
    @fetch_result.setter
    def fetch_result(self, value: _Number | None) -> None: ...
    @property
    def deserialize_solution(self) -> float | None: ...
    @deserialize_solution.setter
    def deserialize_solution(self, value: _Number | None) -> None: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def to_dict(self) -> _SystemTimeDict:
        """Convert into a dict.

        Returns:
            dict: A dict whose keys are name of the SystemTime's fields.
        """

    @staticmethod
    def from_dict(dict: _SystemTimeDict | dict[str, Any]) -> SystemTime:
        """Create a SystemTime object from the given dict.

        If a key is not the name of the SystemTime fields, the value value is ignored.

        Args:
            dict (dict): A dict.

        Returns:
            A SystemTime object.
        """

    def to_json(self) -> str:
        """Serialize the SystemTime object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is serialized into a list.
        """

    @staticmethod
    def from_json(json: str) -> SystemTime:
        """Create a SystemTime object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            SystemTime: A SystemTime object.
        """

@final
class MeasuringTime:
    """A class for storing time to be measured.

    Attributes:
        solve (SolvingTime): Time to solve the problem.
        system (SystemTime): Time to measure system time.
        total (float, optional): Total time to solve the problem. Defaults to None.
    """

    def __new__(
        cls, solve: SolvingTime | None = None, system: SystemTime | None = None, total: _Number | None = None
    ) -> Self: ...
    @property
    def solve(self) -> SolvingTime: ...
    @solve.setter
    def solve(self, value: SolvingTime) -> None: ...
    @property
    def system(self) -> SystemTime: ...
    @system.setter
    def system(self, value: SystemTime) -> None: ...
    @property
    def total(self) -> float | None: ...
    @total.setter
    def total(self, value: _Number | None) -> None: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def to_dict(self) -> _MeasuringTimeDict:
        """Convert into a dict.

        Returns:
            dict: A dict whose keys are name of the MeasuringTime's fields.
        """

    @staticmethod
    def from_dict(dict: _MeasuringTimeDict | dict[str, Any]) -> MeasuringTime:
        """Create a MeasuringTime object from the given dict.

        If a key is not the name of the MeasuringTime fields, the value value is ignored.

        Args:
            dict (dict): A dict.

        Returns:
            A MeasuringTime object.
        """

    def to_json(self) -> str:
        """Serialize the MeasuringTime object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is serialized into a list.
        """

    @staticmethod
    def from_json(json: str) -> MeasuringTime:
        """Create a MeasuringTime object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            MeasuringTime: A MeasuringTime object.
        """

@final
class SampleSet:
    """A class for representing a sample set.

    The SampleSet class holds the samples that a solver returned for a problem: the sampled solutions with the number of their occurrences, the evaluation of each sample, the measured time and metadata.

    Attributes:
        record (Record): A record of the sampled solutions and the number of their occurrences.
        evaluation (Evaluation): The evaluation of each sample.
        measuring_time (MeasuringTime): The time measured while solving.
        metadata (dict): A dict of metadata.

    Args:
        record (Record): A record of the sampled solutions and the number of their occurrences.
        evaluation (Evaluation): The evaluation of each sample.
        measuring_time (MeasuringTime): The time measured while solving.
        metadata (dict, optional): A dict of metadata. Defaults to None, which means an empty dict.
    """

    def __new__(
        cls,
        record: Record,
        evaluation: Evaluation,
        measuring_time: MeasuringTime,
        metadata: dict[Any, Any] | None = None,
    ) -> Self: ...
    @property
    def record(self) -> Record: ...
    @record.setter
    def record(self, value: Record) -> None: ...
    @property
    def evaluation(self) -> Evaluation: ...
    @evaluation.setter
    def evaluation(self, value: Evaluation) -> None: ...
    @property
    def measuring_time(self) -> MeasuringTime: ...
    @measuring_time.setter
    def measuring_time(self, value: MeasuringTime) -> None: ...
    # Held and returned by reference, not copied.
    @property
    def metadata(self) -> dict[Any, Any]: ...
    @metadata.setter
    def metadata(self, value: dict[Any, Any]) -> None: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def to_dict(self) -> _SampleSetDict:
        """Convert into a dict.

        Returns:
            dict: A dict whose keys are name of the SampleSet's fields.
        """

    @staticmethod
    def from_dict(dict: _SampleSetDict | dict[str, Any]) -> SampleSet:
        """Create a SampleSet object from the given dict.

        If a key is not the name of the SampleSet fields, the value value is ignored.

        Args:
            dict: A dict whose keys are name of the SampleSet fields.
        """

    def to_json(self) -> str:
        """Serialize the SampleSet object into a JSON string.

        Returns:
            str: A JSON string.

        Note:
            A numpy array is converted into a list.
        """

    @staticmethod
    def from_json(json: str) -> SampleSet:
        """Create a SampleSet object from the JSON string.

        Args:
            json (str): A JSON string.

        Returns:
            SampleSet: A SampleSet object.
        """

    def to_pandas(self) -> pd.DataFrame:
        """Convert into a pandas DataFrame.

        Returns:
            pandas.DataFrame: A pandas DataFrame.
        """

    def to_dense(self) -> SampleSet:
        """Return a Sampleset whose record is converted into a dense solution format.

        Returns:
            SampleSet: A SampleSet object whose record is dense.
        """

    def is_dense(self) -> bool:
        """Return true if the solution is dense.

        Returns:
            bool: True if the solution is dense.
        """

    def is_sparse(self) -> bool:
        """Return true if the solution is sparse.

        Returns:
            bool: True if the solution is sparse.
        """

    def feasible(self, rtol: float = 1e-05, atol: float = 1e-08) -> SampleSet:
        r"""Return a Sampleset with only feasible solutions.
        If there is no feasible solution, the record and evaluation are empty.

        Args:
            rtol (float): The relative tolerance parameter. Defaults to 1e-5.
            atol (float): The absolute tolerance parameter. Defaults to 1e-8.

        Returns:
            SampleSet: A SampleSet object with only feasible solutions or empty.

        Note:
            The feasible solutions are determined by the following condition:
            $$ |0 - v| \\leq \\mathrm{atol} + \\mathrm{rtol} \\cdot |v| $$
        """

    def infeasible(self, rtol: float = 1e-05, atol: float = 1e-08) -> SampleSet:
        r"""Return a Sampleset with only infeasible solutions.
        If there is no infeasible solution, the record and evaluation are empty.

        Args:
            rtol (float): The relative tolerance parameter. Defaults to 1e-5.
            atol (float): The absolute tolerance parameter. Defaults to 1e-8.

        Returns:
            SampleSet: A SampleSet object with only infeasible solutions or empty.

        Note:
            The feasible solutions are determined by the following condition:
            $$ |0 - v| > \\mathrm{atol} + \\mathrm{rtol} \\cdot |v| $$
        """

    def lowest(self, rtol: float = 1e-05, atol: float = 1e-08) -> SampleSet:
        r"""Return a Sampleset with feasible solutions which has the lowest objective.
        If there is no feasible solution, the record and evaluation are empty.

        Args:
            rtol (float): The relative tolerance parameter. Defaults to 1e-5.
            atol (float): The absolute tolerance parameter. Defaults to 1e-8.

        Returns:
            SampleSet: A SampleSet object with feasible solutions or empty.

        Note:
            The feasible solutions are determined by the following condition:
            $$ |0 - v| \\leq \\mathrm{atol} + \\mathrm{rtol} \\cdot |v| $$
        """

    # {root span key: seconds, or {child key: ...} for a span with children}
    def get_backend_calculation_time(self) -> dict[str, _TimeReport]:
        """Return report of the calculation time of the Corvantis backends.

        Returns:
            dict: A dictionary of the calculation time of the Corvantis backends.
        """
