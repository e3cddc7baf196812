// Levenberg-Marquardt least squares (Eigen's port of MINPACK's lmder) over
// residuals given as a function, with a central-difference Jacobian: the one
// solver of quorvane-tune's tuning and fits.  Double precision; deterministic
// (the Jacobian's columns are taken side by side on the machine's cores, each
// the same whichever thread takes it).  `f` must be safe to call from several
// threads at once.
#pragma once

#include <Eigen/Dense>
#include <functional>

namespace quorvane::tune {

using Residuals = std::function<Eigen::VectorXd(const Eigen::VectorXd&)>;

struct LeastSquares {
  Eigen::VectorXd x;         // the answer
  Eigen::VectorXd residuals; // at x
  Eigen::MatrixXd jacobian;  // at x (central differences)
  int steps = 0, evaluations = 0;
};

// Minimises |f(x)|^2 from `x` (f has `m` >= x.size() components) with the
// Jacobian's column j taken over +/- step[j]; at most `max_steps` solver
// steps, `each` called with x after every one.  `first_bound` is the bound
// of the first step (MINPACK's factor: times |D x|, D the Jacobian's column
// norms, or itself where x = 0).
LeastSquares least_squares(const Residuals& f, int m, Eigen::VectorXd x, const Eigen::VectorXd& step, int max_steps,
                           const std::function<void(const Eigen::VectorXd&)>& each = {}, double first_bound = 100);

}  // namespace quorvane::tune
