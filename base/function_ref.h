#pragma once

#include <type_traits>
#include <utility>

namespace tavir {

// A call of any callable with the signature, which it refers to and does not own; cheap to
// pass where a template would not do.
template <class Signature> class FunctionRef;
template <class R, class... Args> class FunctionRef<R(Args...)>
{
public:
    template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionRef> &&
             std::is_invocable_r_v<R, F&, Args...>)
        FunctionRef(F&& f) // NOLINT: converts like a function pointer does
        : object_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(
                  std::forward<Args>(args)...);
          })
    {
    }
    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    R (*call_)(void*, Args...);
};

} // namespace tavir
