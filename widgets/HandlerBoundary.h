#pragma once

#include <concepts>
#include <exception>
#include <tuple>
#include <utility>

// The boundary of every handler that a signal, a timer or an event reaches. What the handler
// throws ends the handler there and goes to the application's general error handler; nothing
// crosses Qt's event dispatch, which does not carry exceptions. The code below the windows
// keeps throwing as it always has.
//
//     connect(BtSend, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::ClickBtnSend));
//     QTimer::singleShot(0, this, HandlerBoundary::wrap([this] { MainFormShow(); }));
//     HandlerBoundary::run([&] { MainFormClose(); });
class HandlerBoundary {
public:
    // Runs `handler`; true when it ended without an error.
    template <typename F>
    static bool run(F&& handler) noexcept
    {
        try {
            std::forward<F>(handler)();
            return true;
        } catch (...) {
            report(std::current_exception());
            return false;
        }
    }

    // A slot that runs `method` of `object` inside the boundary. It takes the method's own
    // parameters, so a signal with more arguments connects as it would to the method.
    template <typename T, typename C, typename R, typename... A>
    requires std::derived_from<T, C>
    static auto slot(T* object, R (C::*method)(A...))
    {
        return [object, method](A... args) { run([&] { (object->*method)(std::forward<A>(args)...); }); };
    }

    // The same for a lambda or another callable with one call operator.
    template <typename F>
    static auto wrap(F f)
    {
        return wrapWith(std::move(f), static_cast<typename CallOf<decltype(&F::operator())>::Args*>(nullptr));
    }

    // Hands an error caught elsewhere (a port's own event handler) to the general handler.
    static void report(std::exception_ptr error) noexcept;

private:
    template <typename M>
    struct CallOf;
    template <typename C, typename R, typename... A>
    struct CallOf<R (C::*)(A...) const> {
        using Args = std::tuple<A...>;
    };
    template <typename C, typename R, typename... A>
    struct CallOf<R (C::*)(A...)> {
        using Args = std::tuple<A...>;
    };

    template <typename F, typename... A>
    static auto wrapWith(F f, std::tuple<A...>*)
    {
        return [f = std::move(f)](A... args) mutable { run([&] { f(std::forward<A>(args)...); }); };
    }
};
