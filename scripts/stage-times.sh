# Sourced by the CI scripts: `stage NAME` prints how long the stage that
# ends now took, since the last call (or since this file was sourced).
stage_start=$SECONDS
stage() {
  echo "== stage '$1' took $((SECONDS - stage_start)) s"
  stage_start=$SECONDS
}
