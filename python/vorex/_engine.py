"""The loaded library, the wait hook and the error check shared by all calls."""

from __future__ import annotations

import ctypes
from collections.abc import Callable
from typing import Any

from . import _library, binding
from .errors import VorexError, error_class

HookCallable = Callable[[], object]


class _WaitHookState:
    """The Python callables behind the engine's wait hook and the exception one of
    them raised during the current call."""

    def __init__(self) -> None:
        self.struct: binding.WaitHook | None = None
        self.callables: tuple[HookCallable | None, ...] = (None, None, None)
        self.pending: BaseException | None = None

    def trampoline(self, index: int, cancel: Callable[[], None]) -> Any:
        def call(_context: int | None) -> None:
            fn = self.callables[index]
            if fn is None:
                return
            try:
                fn()
            except BaseException as error:  # noqa: BLE001 - must not cross into C
                if self.pending is None:
                    self.pending = error
                cancel()  # end the wait: the call fails and the error is raised after it

        return binding.HookFunction(call)


class Engine:
    """libvorex with its prototypes set, plus the wait hook's state."""

    def __init__(self) -> None:
        lib, path = _library.load()
        self.lib = binding.bind(lib)
        self.path = path
        self.hook = _WaitHookState()
        self._text = ctypes.create_string_buffer(256)

    def set_wait_hook(
        self,
        pump: HookCallable | None,
        begin: HookCallable | None,
        end: HookCallable | None,
    ) -> None:
        hook = self.hook
        if pump is None and begin is None and end is None:
            self.lib.VOREX_SetWaitHook(None)
            hook.struct, hook.callables = None, (None, None, None)
            return
        for fn in (pump, begin, end):
            if fn is not None and not callable(fn):
                raise TypeError(f"wait hook functions must be callable, not {fn!r}")
        hook.callables = (begin, pump, end)
        if hook.struct is None:
            cancel = self.lib.VOREX_CancelWait
            hook.struct = binding.WaitHook(
                hook.trampoline(0, cancel), hook.trampoline(1, cancel), hook.trampoline(2, cancel), None
            )
        self.lib.VOREX_SetWaitHook(ctypes.byref(hook.struct))

    def raise_pending(self) -> None:
        """Raises the exception a wait hook function raised during the last call."""
        error = self.hook.pending
        if error is not None:
            self.hook.pending = None
            raise error

    def error_text(self, number: int) -> str:
        n = self.lib.VOREX_GetErrorText(number, self._text, len(self._text))
        if n >= len(self._text):
            self._text = ctypes.create_string_buffer(n + 1)
            self.lib.VOREX_GetErrorText(number, self._text, len(self._text))
        return self._text.value.decode("utf-8", "replace").rstrip()

    def fail(self, handle: int, function: str) -> VorexError:
        """The exception for a failed call on a connection (hook exceptions first)."""
        self.raise_pending()
        number = self.lib.VOREX_GetLastError(handle)
        return error_class(number)(number, self.error_text(number), function)

    def name_list(self, function: Callable[..., int], size: int = 65536) -> list[str]:
        buffer = ctypes.create_string_buffer(size)
        used = function(buffer, size)
        self.raise_pending()
        raw = buffer.raw[: max(used, 0)]
        return [name.decode("utf-8", "replace") for name in raw.split(b"\0") if name]
