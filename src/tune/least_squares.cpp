#include "tune/least_squares.hpp"

#include <unsupported/Eigen/NonLinearOptimization>

namespace quorvane::tune {

namespace {

struct Functor {
  const Residuals& f;
  const Eigen::VectorXd& step;
  int m;
  int* evaluations;
  int inputs() const { return static_cast<int>(step.size()); }
  int values() const { return m; }
  int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const {
    fvec = f(x);
    ++*evaluations;
    return 0;
  }
  int df(const Eigen::VectorXd& x, Eigen::MatrixXd& fjac) const {
    Eigen::VectorXd a = x, b = x;
    for (int j = 0; j < x.size(); ++j) {
      a[j] = x[j] + step[j];
      b[j] = x[j] - step[j];
      fjac.col(j) = (f(a) - f(b)) / (2 * step[j]);
      *evaluations += 2;
      a[j] = b[j] = x[j];
    }
    return 0;
  }
};

}  // namespace

LeastSquares least_squares(const Residuals& f, int m, Eigen::VectorXd x, const Eigen::VectorXd& step, int max_steps,
                           const std::function<void(const Eigen::VectorXd&)>& each, double first_bound) {
  LeastSquares out;
  Functor functor{f, step, m, &out.evaluations};
  Eigen::LevenbergMarquardt<Functor, double> lm(functor);
  lm.parameters.ftol = 1e-8;
  lm.parameters.xtol = 1e-8;
  lm.parameters.factor = first_bound;
  lm.parameters.maxfev = 1000000;  // the steps bound the run
  Eigen::LevenbergMarquardtSpace::Status status = lm.minimizeInit(x);
  while (status != Eigen::LevenbergMarquardtSpace::ImproperInputParameters && out.steps < max_steps) {
    status = lm.minimizeOneStep(x);
    ++out.steps;
    if (each) each(x);
    if (status != Eigen::LevenbergMarquardtSpace::Running) break;
  }
  out.x = x;
  out.residuals = f(x);
  out.jacobian.resize(m, x.size());
  functor.df(x, out.jacobian);
  return out;
}

}  // namespace quorvane::tune
