#version 120
// First down-sampling step: the log luminance of the scene, averaged over four bilinear taps.
// Averaging logs all the way down gives the scene's geometric mean luminance, which a few very
// bright pixels do not dominate.
uniform sampler2D source;
uniform vec2 offsets[4];
varying vec2 uv;

const vec3 LUMINANCE_WEIGHTS = vec3(0.2126, 0.7152, 0.0722);
// Keeps black pixels out of log(0).
const float DELTA = 0.0001;

void main()
{
    float sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        vec3 colour = texture2D(source, uv + offsets[i]).rgb;
        sum += log(DELTA + max(dot(colour, LUMINANCE_WEIGHTS), 0.0));
    }
    gl_FragColor = vec4(sum * 0.25, 0.0, 0.0, 1.0);
}
